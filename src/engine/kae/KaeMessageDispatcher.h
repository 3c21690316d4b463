// The main window's message handler for the library's notifications, kept headless so the
// show layer, tests and kalvor-tool share it. It is the `window` the audio library posts
// to: 1025 end of sound, 1026 end of a fade-in segment, 1027 end of a fade-out segment,
// each with the slot and the stream that raised it.
//
// It ignores the preview slot (32), drops a message whose stream is no longer the slot's
// stream (the sound was freed or reloaded after the library raised it) and an end of sound
// raised before the stream was played again (that play is not ended by it), and runs the fade
// segment steps itself. What a finished fade-out or the end of a sound means for the channel
// is playback control's business: it listens to the signals.
//
// UI thread only: events are delivered one at a time by the UI thread's event loop.
#pragma once

#include <QObject>

#include <cstdint>

namespace kalvor::engine {

class KaeEngine;

class KaeMessageDispatcher : public QObject {
    Q_OBJECT
public:
    explicit KaeMessageDispatcher(KaeEngine& engine, QObject* parent = nullptr);

    // Between KAE__Init and KAE__Shutdown; messages outside that are dropped.
    bool subscribed() const { return subscribed_; }
    void setSubscribed(bool on) { subscribed_ = on; }

    // The handling of one message, as the event does it. `sync`: the notification that
    // fired, `play`: the stream's play it fired under; 0 when not known.
    void handleMessage(int message, int slot, unsigned stream, unsigned sync = 0,
                       std::uint64_t play = 0);
    // An output went away: the operator is told in the audio messages, and every slot on
    // it stops (outputLost first, for the playback channels that were sounding).
    void handleDeviceLost(int device);
    // The output came back (the library opened it again): the operator is told in the
    // audio messages. Its channels stay stopped until they are played again.
    void handleDeviceBack(int device);

Q_SIGNALS:
    // A sound that does not loop reached its end; its fade has been cancelled.
    void endOfSound(int slot);
    // The last fade-in segment ended.
    void fadeInFinished(int slot);
    // The last fade-out segment ended: stop or pause the channel by its modes. The
    // slot's fade-out notification handle is cleared after the listeners have run.
    void fadeOutFinished(int slot);
    // A message reached no handling (stale stream, preview slot, not subscribed).
    void messageDropped(int message, int slot);
    // The output of a playing or paused channel went away: stop it as the operator would
    // (nothing follows such a stop). The engine stops the slot itself afterwards.
    void outputLost(int slot);

protected:
    bool event(QEvent* event) override;

private:
    QString deviceName(int device) const;
    void onEndOfSound(int slot);
    void onFadeIn(int slot, unsigned sync);
    void onFadeOut(int slot, unsigned sync);

    KaeEngine& engine_;
    bool subscribed_ = false;
};

} // namespace kalvor::engine
