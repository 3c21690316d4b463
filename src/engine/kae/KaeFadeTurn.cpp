// A fade-in cut short by a fade-out. See Kae.h. UI thread.
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"

namespace kalvor {

bool KAE__Channel_TurnToFadeOut(int slot) {
    engine::KaeEngine* e = engine::engineForSlot(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    engine::KaeSlot& s = e->slot(slot);
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
    KAE__Channel_SetSyncFadeOut(slot); // also silences the fade-in's notification
    s.fadeOutStep = step;
    const int level = KAE__Channel_FadeOutLevel(slot);
    return KAE__Channel_SlideVolume(slot, level, step * engine::fadeSegmentMs(ch.fadeOut.time));
}

} // namespace kalvor
