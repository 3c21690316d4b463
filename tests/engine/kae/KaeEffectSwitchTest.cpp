// An effect switched on or off while its channel plays is not heard as a click: the sound
// glides between the direct sound and the effect's, the first echo after switching on
// starts as smoothly, and once switched off the channel is the direct sound again, sample
// for sample.
#include "TestMedia.h"
#include "engine/kae/KaeEffectChain.h"
#include "support/KaeRig.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;
using engine::KaeEffect;

namespace {

// The last of the 32 channels, so the switch is seen to reach the right one.
constexpr int kSlot = 31;
constexpr std::int64_t kBefore = 9000; // frames before the switch: not at a zero crossing

// Largest change from one frame to the next on the left side over [from, to).
float largestStep(const Rendered& r, std::int64_t from, std::int64_t to) {
    float step = 0.0f;
    for (std::int64_t f = from + 1; f < to; ++f)
        step = std::max(step, std::fabs(r.at(f, 0) - r.at(f - 1, 0)));
    return step;
}

// Plays the tone on the channel with `effect` on from the start when `startsOn`, and
// switches it to `switchTo` after kBefore frames when given.
Rendered play(const QString& tone, KaeEffect effect, bool startsOn, std::optional<bool> switchTo) {
    KaeRig rig;
    Channel& ch = rig.store.channel(kSlot);
    ch.volume = 100;
    ch.pan = 0;
    ch.effects.fxChain = {u"---"_s, u"---"_s, u"---"_s, u"---"_s, u"---"_s};
    ch.effects.eq[0].gain = -15.0f; // a flat band would pass the sound through untouched
    if (startsOn)
        engine::switchEffect(kSlot, effect, true);
    EXPECT_TRUE(loadAndApply(kSlot, tone));
    EXPECT_TRUE(KAE__Channel_Play(kSlot, true, false));
    Rendered out = rig.render(kBefore);
    if (switchTo)
        engine::switchEffect(kSlot, effect, *switchTo);
    rig.render(30000, out);
    return out;
}

} // namespace

TEST(KaeEffectSwitch, SwitchingWhilePlayingGlidesInsteadOfClicking) {
    // A low tone changes little from one sample to the next, so any jump stands out.
    const QString tone = testmedia::makeTone(mediaFolder(), u"switch_tone"_s,
                                             testmedia::Format::Wav16, 44100, 2, 2.0, 110.0, -6.0);
    using Row = std::tuple<const char*, KaeEffect, bool>;
    const Row cases[] = {
        {"reverb on", KaeEffect::Reverb, true}, {"reverb off", KaeEffect::Reverb, false},
        {"delay on", KaeEffect::Delay, true},   {"delay off", KaeEffect::Delay, false},
        {"chorus on", KaeEffect::Chorus, true}, {"flanger off", KaeEffect::Flanger, false},
        {"EQ band on", KaeEffect::EQ, true},
    };
    for (const auto& [what, effect, on] : cases) {
        SCOPED_TRACE(what);
        const Rendered heard = play(tone, effect, !on, on);
        const float toneStep = largestStep(heard, 100, kBefore);
        ASSERT_GT(toneStep, 0.002f);
        // Through the first echo (500 ms) and the reverb's build-up.
        EXPECT_LT(largestStep(heard, kBefore - 1, kBefore + 26000), 4.0f * toneStep);
        if (!on) {
            // Gone after the glide: nothing of the effect rings on.
            const Rendered dry = play(tone, effect, false, std::nullopt);
            for (std::int64_t f = kBefore + 2000; f < heard.frames(); ++f)
                ASSERT_EQ(heard.at(f, 0), dry.at(f, 0)) << f;
        }
    }
}
