// Fades: the four segments, their notifications and step counters, cancelling a fade,
// turning a fade-in into a fade-out and taking a running fade along to another stream. See Kae.h.
// UI thread.
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"

#include <algorithm>
#include <cstdlib>

namespace kalvor {

using engine::KaeEngine;
using engine::KaeSlot;

namespace {

KaeEngine* engineFor(int slot) {
    return engine::engineForSlot(slot);
}

void failWithLine(int slot, const char* operation, const char* text) {
    AddAudioDebugMessage(QStringLiteral("KAE Module: ") + QLatin1String(operation));
    KAE__ReportError(slot, QLatin1String(text));
}

// The level a fade reaches at the end of step 1..4; step 0 is where it starts.
int stepLevel(const Channel& ch, bool in, int step) {
    if (step <= 0)
        return in ? 0 : ch.volume;
    return in ? engine::fadeInLevel(ch.volume, ch.fadeIn.curve, step)
              : engine::fadeOutLevel(ch.volume, ch.fadeOut.curve, step);
}

int segmentMs(const Channel& ch, bool in) {
    // A playlist may bring a negative time; the library refuses such a slide, which would
    // leave a fade-in at silence and a fade-out without its end. It runs as no time.
    return std::max(0, engine::fadeSegmentMs(in ? ch.fadeIn.time : ch.fadeOut.time));
}

// Slides to step `first`'s level in `firstMs`, and queues the steps after it in the
// library, each a segment long.
bool runSegments(KaeEngine& e, int slot, bool in, int first, int firstMs) {
    const Channel& ch = e.store().channel(slot);
    // All segments reach the mixer in one period: a first segment shorter than a period
    // would otherwise end, and spend its notification, before the ones after it arrive.
    e.lib().beginBatch();
    const struct EndBatch {
        audio::AudioLib& lib;
        ~EndBatch() { lib.endBatch(); }
    } endBatch{e.lib()};
    if (!KAE__Channel_SlideVolume(slot, stepLevel(ch, in, first), firstMs))
        return false;
    // The library runs the segments back to back on the device clock. Each segment end
    // still posts its message and moves the step counter, but the next segment no longer
    // waits for that message: the UI thread may be busy loading a sound, and the fade
    // would stay flat until it is done.
    for (int step = first + 1; step <= 4; ++step)
        e.lib().channelQueueSlide(e.slot(slot).stream, stepLevel(ch, in, step), segmentMs(ch, in));
    return true;
}

void armFadeSync(int slot, bool in) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    KaeSlot& s = e->slot(slot);
    // Either direction's armed notification goes first: a second one of the same kind
    // would post every segment end twice.
    engine::removeFadeSyncs(*e, slot);
    audio::Handle& handle = in ? s.fadeInSync : s.fadeOutSync;
    handle = e->lib().channelSetSync(s.stream, audio::sync::SlideOnce, 0,
                                     in ? engine::kMessageFadeIn : engine::kMessageFadeOut, slot);
    if (handle == 0) {
        if (in)
            failWithLine(slot, "KAE__Channel_SetSyncFadeIn",
                         "Error while setting FadeIn Sync Mark");
        else
            failWithLine(slot, "KAE__Channel_SetSyncFadeOut",
                         "Error while setting FadeOut Sync Mark");
    }
}

bool startFade(int slot, bool in) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    armFadeSync(slot, in);
    KaeSlot& s = e->slot(slot);
    (in ? s.fadeInStep : s.fadeOutStep) = 1;
    if (in)
        e->lib().channelSetAttributes(s.stream, -1, 0, -101);
    // Taking step 1's level moves the counter to 2; the segment messages move it on.
    in ? KAE__Channel_FadeInLevel(slot) : KAE__Channel_FadeOutLevel(slot);
    const Channel& ch = e->store().channel(slot);
    return runSegments(*e, slot, in, 1, segmentMs(ch, in));
}

} // namespace

namespace engine {

void removeFadeSyncs(KaeEngine& e, int slot) {
    KaeSlot& s = e.slot(slot);
    if (s.fadeInSync != 0)
        e.lib().channelRemoveSync(s.stream, s.fadeInSync);
    if (s.fadeOutSync != 0)
        e.lib().channelRemoveSync(s.stream, s.fadeOutSync);
    s.fadeInSync = 0;
    s.fadeOutSync = 0;
}

void dropFade(KaeEngine& e, int slot) {
    KaeSlot& s = e.slot(slot);
    if (s.stream == 0)
        return;
    e.lib().channelDropQueuedSlides(s.stream);
    removeFadeSyncs(e, slot);
}

RunningFade takeFade(KaeEngine& e, int slot) {
    KaeSlot& s = e.slot(slot);
    RunningFade fade;
    if (s.stream == 0 || (s.fadeInSync == 0 && s.fadeOutSync == 0))
        return fade;
    fade.running = true;
    fade.in = s.fadeInSync != 0;
    fade.step = fade.in ? s.fadeInStep : s.fadeOutStep;
    fade.sliding = (e.lib().channelIsSliding(s.stream) & 2u) != 0;
    e.lib().channelGetAttributes(s.stream, nullptr, &fade.volume, nullptr);
    // The notifications belong to the stream and go with it.
    s.fadeInSync = 0;
    s.fadeOutSync = 0;
    return fade;
}

void resumeFade(KaeEngine& e, int slot, const RunningFade& fade) {
    KaeSlot& s = e.slot(slot);
    if (!fade.running || s.stream == 0)
        return;
    const Channel& ch = e.store().channel(slot);
    armFadeSync(slot, fade.in);
    std::int32_t& step = fade.in ? s.fadeInStep : s.fadeOutStep;
    if (!fade.sliding) {
        // All four segments had ended; the last message was still on its way. It comes
        // again from here, at once.
        step = 5;
        KAE__Channel_SlideVolume(slot, stepLevel(ch, fade.in, 4), 0);
        return;
    }
    // The segment running is the one whose span holds the level reached (the levels of a
    // fade only ever rise, or only ever fall); its rest takes the part of a segment that
    // is still to go.
    int segment = std::clamp(fade.step - 1, 1, 4);
    for (int k = 1; k <= 4; ++k) {
        const int from = stepLevel(ch, fade.in, k - 1);
        const int to = stepLevel(ch, fade.in, k);
        if (fade.volume >= std::min(from, to) && fade.volume <= std::max(from, to)) {
            segment = k;
            break;
        }
    }
    const int from = stepLevel(ch, fade.in, segment - 1);
    const int to = stepLevel(ch, fade.in, segment);
    const int rest =
        from == to
            ? 0
            : static_cast<int>(engine::roundHalfEvenDiv(
                  static_cast<std::int64_t>(segmentMs(ch, fade.in)) * std::abs(to - fade.volume),
                  std::abs(to - from)));
    step = segment + 1;
    e.lib().channelSetAttributes(s.stream, -1, std::clamp(fade.volume, 0, 100), -101);
    runSegments(e, slot, fade.in, segment, rest);
}

} // namespace engine

void KAE__Channel_CancelFade(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    // A slide back to the channel's volume replaces the running segment and drops the
    // queued ones.
    if (KAE__Channel_IsVolumeSliding(slot))
        e->lib().channelSlideAttributes(e->slot(slot).stream, -1, e->store().channel(slot).volume,
                                        -101, 10);
    // The notifications go in any case: a segment that ended just before the cancel has
    // its message still queued, and it must not count for a fade that follows.
    engine::removeFadeSyncs(*e, slot);
}

void KAE__Channel_SetSyncFadeIn(int slot) {
    armFadeSync(slot, true);
}

void KAE__Channel_SetSyncFadeOut(int slot) {
    armFadeSync(slot, false);
}

int KAE__Channel_FadeInLevel(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return 0;
    const Channel& ch = e->store().channel(slot);
    return engine::fadeInLevel(ch.volume, ch.fadeIn.curve, e->slot(slot).fadeInStep++);
}

int KAE__Channel_FadeOutLevel(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return 0;
    const Channel& ch = e->store().channel(slot);
    return engine::fadeOutLevel(ch.volume, ch.fadeOut.curve, e->slot(slot).fadeOutStep++);
}

bool KAE__Channel_TurnToFadeOut(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    KaeSlot& s = e->slot(slot);
    int reached = 0;
    if (!e->lib().channelGetAttributes(s.stream, nullptr, &reached, nullptr))
        return false;
    // The fade-out starts where the fade-in got to and only goes down: the segments whose
    // level lies above that are skipped, and their time goes to the first slide, so the
    // sound is still gone after the fade-out time.
    const Channel& ch = e->store().channel(slot);
    int step = 1;
    while (step < 4 && engine::fadeOutLevel(ch.volume, ch.fadeOut.curve, step) >= reached)
        ++step;
    armFadeSync(slot, false); // also silences the fade-in's notification
    s.fadeOutStep = step + 1;
    return runSegments(*e, slot, false, step, step * segmentMs(ch, false));
}

bool KAE__Channel_StartFadeIn(int slot) {
    return startFade(slot, true);
}

bool KAE__Channel_StartFadeOut(int slot) {
    return startFade(slot, false);
}

} // namespace kalvor
