// The handler of the library's notifications; see KaeMessageDispatcher.h. UI thread.
#include "engine/kae/KaeMessageDispatcher.h"

#include "core/Limits.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"

namespace kalvor::engine {

KaeMessageDispatcher::KaeMessageDispatcher(KaeEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine) {}

bool KaeMessageDispatcher::event(QEvent* event) {
    if (event->type() != audio::EngineMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<const audio::EngineMessageEvent*>(event);
    handleMessage(message->message(), message->slot(), message->stream());
    return true;
}

void KaeMessageDispatcher::handleMessage(int message, int slot, unsigned stream) {
    // The preview channel auditions sounds; nothing follows its end or its fades.
    const bool playbackSlot = slot >= 0 && slot < kChannelCount;
    if (!subscribed_ || !playbackSlot || stream == 0 || engine_.slot(slot).stream != stream) {
        Q_EMIT messageDropped(message, slot);
        return;
    }
    switch (message) {
    case kMessageEndOfSound:
        onEndOfSound(slot);
        break;
    case kMessageFadeIn:
        onFadeIn(slot);
        break;
    case kMessageFadeOut:
        onFadeOut(slot);
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
        if (engine_.lib().channelSetLoopStart(s.stream, offset))
            s.loopStart = offset;
        KAE__Channel_SetPositionInSamples(slot, offset);
    }
}

// A fade message whose notification was removed in the meantime (the fade was cancelled,
// or a fade the other way took over) must not start another segment.
void KaeMessageDispatcher::onFadeIn(int slot) {
    KaeSlot& s = engine_.slot(slot);
    if (s.fadeInSync == 0)
        return;
    if (s.fadeInStep >= 2 && s.fadeInStep <= 4) {
        const int level = KAE__Channel_FadeInLevel(slot);
        KAE__Channel_SetSyncFadeIn(slot);
        KAE__Channel_SlideVolume(slot, level,
                                 fadeSegmentMs(engine_.store().channel(slot).fadeIn.time));
    } else if (s.fadeInStep == 5) {
        s.fadeInSync = 0;
        Q_EMIT fadeInFinished(slot);
    }
}

void KaeMessageDispatcher::onFadeOut(int slot) {
    KaeSlot& s = engine_.slot(slot);
    if (s.fadeOutSync == 0)
        return;
    if (s.fadeOutStep >= 2 && s.fadeOutStep <= 4) {
        const int level = KAE__Channel_FadeOutLevel(slot);
        KAE__Channel_SetSyncFadeOut(slot);
        KAE__Channel_SlideVolume(slot, level,
                                 fadeSegmentMs(engine_.store().channel(slot).fadeOut.time));
    } else if (s.fadeOutStep == 5) {
        Q_EMIT fadeOutFinished(slot);
        engine_.slot(slot).fadeOutSync = 0;
    }
}

} // namespace kalvor::engine
