// MIDI time code cues: channels that follow the incoming time code. While it runs, a
// channel starts when the time enters its cue window, seeked to where it would be had it
// started at the cue, and stops at its stop cue; time code that stops (nothing new for
// 250 ms) or jumps stops every channel it started, and only those. Also the cue editing
// operations of the cue window (fields, steps, capture, copy and paste, group
// propagation) and the main window's "MTC hh:mm:ss:ff" text. UI thread.
#pragma once

#include "control/midi/MtcClock.h"
#include "core/Limits.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

namespace kalvor {

class Settings;
class ShowLayer;

namespace midi {

inline constexpr int kMtcGrey = 0x808080;
inline constexpr int kMtcStopTimerMs = 250;

class MtcCues : public QObject {
    Q_OBJECT
public:
    MtcCues(ShowLayer& show, Settings& settings, QObject* parent = nullptr);

    // Closes the MIDI input after an error inside the cue processing.
    std::function<void()> closeInput;
    // Lets quarter frames through the input's filter, or blocks them.
    std::function<void(bool pass)> passQuarterFrames;

    // "MTC active".
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

    void quarterFrame(std::uint8_t data);
    // One evaluation of time t: jump check, cues, display.
    void evaluate(std::int32_t t);
    void Process_MTC_Cues(std::int32_t t);
    // One tick of the 250 ms stop timer (the timer calls it; tests may too).
    void stopTimerTick();
    void stopMtcStartedChannels();

    bool mtcStarted(int ch) const { return started_.at(static_cast<std::size_t>(ch)); }
    const MtcClock& clock() const { return clock_; }
    int fps() const { return clock_.fps(); }
    QString displayText() const { return mtcDisplayText(clock_.now(), clock_.fps()); }
    int displayColour() const;

    // Cue editing, each followed by the rules of a changed cue (stop if time code started
    // it, redraw, copy to the play group).
    enum class Cue { Start, Stop };
    std::int32_t cue(int ch, Cue which) const;
    void setCue(int ch, Cue which, std::int32_t frames);
    void stepCue(int ch, Cue which, int frames);
    void captureCue(int ch, Cue which);
    void resetCue(int ch, Cue which) { setCue(ch, which, 0); }
    void copyCues(int ch);
    void pasteCues(int ch);

    // "Cue: hh:mm:ss:ff" for a strip when "ShowMtcOnMain" is on, else empty.
    QString stripCueText(int ch) const;

Q_SIGNALS:
    void displayChanged(const QString& text, int colour);
    void rateReceived(int fps);
    // The rate differs from the one received before: every cue reads as another time.
    void rateChanged(int fps);
    void cueChanged(int ch);

private:
    // Time t follows the last evaluated time without a jump.
    bool continues(std::int32_t t) const;
    void cueEdited(int ch, Cue which);
    void stopIfStarted(int ch);
    void startAt(int ch, std::int64_t position);
    void fail(bool overflow);

    ShowLayer& show_;
    Settings& settings_;
    MtcClock clock_;
    QTimer stopTimer_;
    std::int32_t expected_ = 0;
    std::int32_t lastSeen_ = 0;
    bool enabled_ = false;
    std::array<bool, kChannelCount> started_{};
    std::int32_t clipStart_ = 0;
    std::int32_t clipStop_ = 0;
};

} // namespace midi
} // namespace kalvor
