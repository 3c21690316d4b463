// The handler of the library's notifications; see KaeMessageDispatcher.h. UI thread.
#include "engine/kae/KaeMessageDispatcher.h"

#include "core/Limits.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/EngineTexts.h"
#include "engine/kae/Kae.h"

namespace kalvor::engine {

KaeMessageDispatcher::KaeMessageDispatcher(KaeEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine) {}

bool KaeMessageDispatcher::event(QEvent* event) {
    if (event->type() == audio::DeviceLostEvent::eventType()) {
        handleDeviceLost(static_cast<const audio::DeviceLostEvent*>(event)->device());
        return true;
    }
    if (event->type() == audio::DeviceBackEvent::eventType()) {
        handleDeviceBack(static_cast<const audio::DeviceBackEvent*>(event)->device());
        return true;
    }
    if (event->type() != audio::EngineMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<const audio::EngineMessageEvent*>(event);
    handleMessage(message->message(), message->slot(), message->stream(), message->sync(),
                  message->play());
    return true;
}

QString KaeMessageDispatcher::deviceName(int device) const {
    for (const OutputDevice& d : engine_.devices().devices())
        if (d.number == device)
            return d.name;
    return engine_.lib().getDeviceDescription(device).value_or(audio::DeviceDescription{}).name;
}

void KaeMessageDispatcher::handleDeviceBack(int device) {
    if (subscribed_)
        AddAudioDebugMessage(txt(texts::OutputDeviceBack) + deviceName(device));
}

void KaeMessageDispatcher::handleDeviceLost(int device) {
    if (!subscribed_)
        return;
    // No box: this happens in the middle of a show, and the other outputs play on.
    AddAudioDebugMessage(txt(texts::OutputDeviceLost) + deviceName(device));
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (engine_.slot(slot).stream == 0 || engine_.store().channel(slot).deviceNumber != device)
            continue;
        if (slot < kChannelCount && (KAE__Channel_IsPlaying(slot) || KAE__Channel_IsPaused(slot)))
            Q_EMIT outputLost(slot);
        if (!KAE__Channel_IsStopped(slot)) {
            KAE__Channel_CancelFade(slot);
            KAE__Channel_Stop(slot);
        }
    }
}

void KaeMessageDispatcher::handleMessage(int message, int slot, unsigned stream, unsigned sync,
                                         std::uint64_t play) {
    // The preview channel auditions sounds; nothing follows its end or its fades.
    const bool playbackSlot = slot >= 0 && slot < kChannelCount;
    if (!subscribed_ || !playbackSlot || stream == 0 || engine_.slot(slot).stream != stream) {
        Q_EMIT messageDropped(message, slot);
        return;
    }
    switch (message) {
    case kMessageEndOfSound:
        // The sound ended, then the operator started it again before this message came
        // through: the end belongs to the run that play replaced. Fade messages are not
        // tied to a play (a play of a sound already playing leaves its fade running); a
        // play ends a fade that must not outlive it by removing the fade's notification.
        if (play != 0 && play != engine_.lib().channelPlaySerial(stream)) {
            Q_EMIT messageDropped(message, slot);
            return;
        }
        onEndOfSound(slot);
        break;
    case kMessageFadeIn:
        onFadeIn(slot, sync);
        break;
    case kMessageFadeOut:
        onFadeOut(slot, sync);
        break;
    default:
        Q_EMIT messageDropped(message, slot);
        break;
    }
}

void KaeMessageDispatcher::onEndOfSound(int slot) {
    ShowStore& store = engine_.store();
    // Loop ticked just after the callback let the sound end: it has ended all the same.
    if (store.controls(slot).loopMode == 0 || KAE__Channel_IsStopped(slot)) {
        KAE__Channel_CancelFade(slot);
        Q_EMIT endOfSound(slot);
        return;
    }
    // The library has already wrapped the stream to its loop start, sample-exact. Only
    // when the start offset changed since the channel was started is the stream in the
    // wrong place: then it is moved there, and the next wraps go there too.
    KaeSlot& s = engine_.slot(slot);
    const std::int64_t offset = store.assignments(slot).startOffset;
    // The new start goes in first: the seek makes the reader fill ahead at once, through
    // the next wrap.
    if (s.loopStart != offset) {
        if (setLoopStart(engine_, slot, offset))
            s.loopStart = offset;
        KAE__Channel_SetPositionInSamples(slot, offset);
    }
}

// A fade message whose notification was removed in the meantime (the fade was cancelled,
// or a fade took over) must not count for the fade running now. The segments themselves
// run in the library; a message moves the step counter, and the last one ends the fade.
void KaeMessageDispatcher::onFadeIn(int slot, unsigned sync) {
    KaeSlot& s = engine_.slot(slot);
    if (s.fadeInSync == 0 || (sync != 0 && sync != s.fadeInSync))
        return;
    if (s.fadeInStep >= 2 && s.fadeInStep <= 4) {
        KAE__Channel_FadeInLevel(slot);
    } else if (s.fadeInStep == 5) {
        s.fadeInSync = 0;
        Q_EMIT fadeInFinished(slot);
    }
}

void KaeMessageDispatcher::onFadeOut(int slot, unsigned sync) {
    KaeSlot& s = engine_.slot(slot);
    if (s.fadeOutSync == 0 || (sync != 0 && sync != s.fadeOutSync))
        return;
    if (s.fadeOutStep >= 2 && s.fadeOutStep <= 4) {
        KAE__Channel_FadeOutLevel(slot);
    } else if (s.fadeOutStep == 5) {
        Q_EMIT fadeOutFinished(slot);
        engine_.slot(slot).fadeOutSync = 0;
    }
}

} // namespace kalvor::engine
