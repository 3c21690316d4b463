// The effects of a channel as Apply hands them to the library: only those switched on and
// named in the chain, with the record's values; kept in the record while no sound is
// open; attached afresh to every new stream in chain order; changed while playing and gone
// when removed.
#include "TestMedia.h"
#include "engine/kae/EffectDefaults.h"
#include "engine/kae/KaeEffectChain.h"
#include "support/KaeRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;
using engine::KaeEffect;

TEST(KaeEffects, ApplyAttachesWhatIsOnAndInTheChainInChainOrder) {
    const QString dash = u"---"_s, eq = u"EQ"_s, reverb = u"REVERB"_s, delay = u"DELAY"_s;
    // what, chain, EQ, reverb and delay switched on, then what is attached in attach order:
    // handles are given out in that order, and effects of equal priority are heard in it
    // (AudioLibEffects)
    using Row = std::tuple<const char*, std::array<QString, 5>, bool, bool, bool, const char*>;
    const Row cases[] = {
        {"all on, full chain", defaultFxChain(), true, true, true, "EQ REVERB DELAY"},
        {"switched off", defaultFxChain(), false, true, false, "REVERB"},
        {"not in the chain", {delay, dash, dash, dash, dash}, true, true, true, "DELAY"},
        {"the chain's order", {delay, dash, reverb, eq, dash}, true, true, true, "DELAY REVERB EQ"},
    };
    for (const auto& [what, chain, eqOn, reverbOn, delayOn, attached] : cases) {
        SCOPED_TRACE(what);
        KaeRig rig;
        Channel& ch = rig.store.channel(6);
        ch.effects.fxChain = chain;
        ch.effects.eqActive = eqOn;
        ch.effects.reverbActive = reverbOn;
        ch.effects.delayActive = delayOn;
        ch.effects.delay.feedback = 33.0f;
        ch.effects.eq[1].gain = -4.5f;
        ASSERT_TRUE(loadAndApply(6, rampFile(20000)));
        std::vector<std::pair<std::int32_t, QString>> handles{{ch.handles.eq[0], eq},
                                                              {ch.handles.reverb, reverb},
                                                              {ch.handles.delay, delay},
                                                              {ch.handles.chorus, u"CHORUS"_s}};
        std::ranges::sort(handles);
        QStringList order;
        for (const auto& [handle, name] : handles)
            if (handle != 0)
                order << name;
        EXPECT_EQ(order.join(u' '), QLatin1String(attached));
        EXPECT_EQ(ch.handles.eq[1] != 0 && ch.handles.eq[2] != 0, ch.handles.eq[0] != 0);
        if (order.contains(delay)) {
            engine::dsp::DsfxEcho echo;
            ASSERT_TRUE(rig.lib->fxGetParameters(audio::Handle(ch.handles.delay), &echo));
            EXPECT_EQ(std::tuple(echo.feedback, echo.leftDelay), std::tuple(33.0f, 500.0f));
        }
        if (order.contains(eq)) {
            engine::dsp::DsfxParamEq band;
            ASSERT_TRUE(rig.lib->fxGetParameters(audio::Handle(ch.handles.eq[1]), &band));
            EXPECT_EQ(std::tuple(band.center, band.gain), std::tuple(1000.0f, -4.5f));
        }
        // Applying again attaches nothing twice.
        const EffectHandles before = ch.handles;
        KAE__Channel_ApplySettings(6);
        EXPECT_EQ(std::tuple(ch.handles.delay, ch.handles.eq), std::tuple(before.delay, before.eq));
    }
}

TEST(KaeEffects, ChangesWithoutASoundStayInTheRecordUntilTheNextLoad) {
    KaeRig rig;
    Channel& ch = rig.store.channel(2);
    rig.takeAudioLines();
    KAE__Channel_AttachEffect(2, engine::KaeEffect::Chorus);
    EXPECT_TRUE(ch.effects.chorusActive);
    EXPECT_EQ(ch.handles.chorus, 0);
    ch.effects.chorus.depth = 70.0f;
    EXPECT_FALSE(KAE__Channel_SetEffectParameters(2, engine::KaeEffect::Chorus));
    EXPECT_TRUE(rig.takeAudioLines().isEmpty()) << "nothing reached the library, nothing failed";

    ASSERT_TRUE(loadAndApply(2, rampFile(20000)));
    ASSERT_NE(ch.handles.chorus, 0);
    engine::dsp::DsfxChorus chorus;
    ASSERT_TRUE(rig.lib->fxGetParameters(audio::Handle(ch.handles.chorus), &chorus));
    EXPECT_EQ(chorus.depth, 70.0f);

    // A new sound is a new stream: the old handles are gone, Apply attaches again.
    const std::int32_t old = ch.handles.chorus;
    ASSERT_TRUE(KAE__Channel_Load_Sound(2, rampFile(20000)));
    EXPECT_EQ(ch.handles.chorus, 0);
    KAE__Channel_ApplySettings(2);
    EXPECT_NE(ch.handles.chorus, 0);
    EXPECT_FALSE(rig.lib->fxGetParameters(audio::Handle(old), &chorus));

    KAE__Channel_RemoveEffect(2, engine::KaeEffect::Chorus);
    EXPECT_FALSE(ch.effects.chorusActive);
    EXPECT_EQ(ch.handles.chorus, 0);
}

TEST(KaeEffects, ChangesOnAPlayingChannelAndRemovalAreHeard) {
    const QString tone = testmedia::makeTone(mediaFolder(), u"fx_tone"_s, testmedia::Format::Wav16,
                                             44100, 2, 2.0, 1000.0, -20.0);
    KaeRig rig;
    rig.takeAudioLines();
    Channel& ch = rig.store.channel(5);
    ch.volume = 100;
    ch.pan = 0;
    ch.effects.eqActive = true;
    ch.effects.eq[1] = EqBand{1000.0f, 12.0f, 0.0f};
    ASSERT_TRUE(loadAndApply(5, tone));
    ASSERT_TRUE(KAE__Channel_Play(5, true, false));
    const double dry = rig.render(8820).rms(0, 4410, 8820);

    using Row = std::tuple<const char*, float, double>;
    const Row steps[] = {{"boost", 12.0f, 12.0}, {"cut", -9.0f, -9.0}};
    for (const auto& [what, gain, expectDb] : steps) {
        SCOPED_TRACE(what);
        ch.effects.eq[1].gain = gain;
        ASSERT_TRUE(KAE__Channel_SetEQBand(5, 1));
        EXPECT_NEAR(toDb(rig.render(8820).rms(0, 4410, 8820) / dry), expectDb, 0.5);
    }
    KAE__Channel_RemoveEffect(5, engine::KaeEffect::EQ);
    EXPECT_NEAR(toDb(rig.render(8820).rms(0, 4410, 8820) / dry), 0.0, 0.01);
    const QStringList lines = rig.takeAudioLines();
    EXPECT_TRUE(lines.filter(u"Error"_s).isEmpty()) << lines.join('\n').toStdString();
}

// An effect switched on or off while its channel plays is not heard as a click: the sound
// glides between the direct sound and the effect's, the first echo after switching on
// starts as smoothly, and once switched off the channel is the direct sound again, sample
// for sample.
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

// The effect chain records the order effects were switched on in: switching on fills the
// first empty place, switching off closes the gap.
namespace {

// "DELAY --- REVERB": the places named, the rest empty.
engine::FxChain chainOf(const char* names) {
    engine::FxChain chain;
    chain.fill(u"---"_s);
    const QStringList given = QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts);
    std::copy(given.begin(), given.end(), chain.begin());
    return chain;
}

} // namespace

TEST(EffectChain, SwitchingKeepsTheOrderEffectsWereSwitchedOnIn) {
    using Row = std::tuple<engine::FxChain, KaeEffect, bool, engine::FxChain>;
    const Row cases[] = {
        {chainOf(""), KaeEffect::Delay, true, chainOf("DELAY")},
        {chainOf("DELAY"), KaeEffect::Reverb, true, chainOf("DELAY REVERB")},
        {chainOf("DELAY REVERB"), KaeEffect::Delay, false, chainOf("REVERB")},
        // All five listed: a sixth switch-on changes nothing.
        {defaultFxChain(), KaeEffect::Chorus, true, defaultFxChain()},
        // The fifth place is simply emptied.
        {defaultFxChain(), KaeEffect::Flanger, false, chainOf("EQ REVERB DELAY CHORUS")},
        {defaultFxChain(), KaeEffect::EQ, false, chainOf("REVERB DELAY CHORUS FLANGER")},
        // A gap left by an older file is filled first; an effect is never listed twice.
        {chainOf("REVERB --- DELAY"), KaeEffect::EQ, true, chainOf("REVERB EQ DELAY")},
        {chainOf("REVERB"), KaeEffect::Reverb, true, chainOf("REVERB")},
        // Switching off what is not listed changes nothing.
        {chainOf("REVERB"), KaeEffect::Chorus, false, chainOf("REVERB")},
    };
    for (const auto& [before, effect, on, after] : cases) {
        engine::FxChain chain = before;
        const bool changed =
            on ? engine::chainSwitchOn(chain, effect) : engine::chainSwitchOff(chain, effect);
        EXPECT_EQ(chain, after)
            << QStringList(before.begin(), before.end()).join(QLatin1Char(',')).toStdString()
            << (on ? " on " : " off ") << engine::effectChainName(effect).toStdString();
        EXPECT_EQ(changed, chain != before);
    }
}
