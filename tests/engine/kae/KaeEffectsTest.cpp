// The effects of a channel as Apply hands them to the library: only those switched on and
// named in the chain, with the record's values; kept in the record while no sound is
// open; attached afresh to every new stream; heard in chain order, changed while playing
// and gone when removed.
#include "TestMedia.h"
#include "engine/kae/EffectDefaults.h"
#include "support/KaeRig.h"

#include <gtest/gtest.h>

#include <array>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(KaeEffects, ApplyAttachesWhatIsOnAndInTheChain) {
    const QString dash = u"---"_s;
    using Row = std::tuple<const char*, std::array<QString, 5>, bool, bool, bool, bool, bool, bool>;
    const Row cases[] = {
        {"all on, full chain", defaultFxChain(), true, true, true, true, true, true},
        {"switched off", defaultFxChain(), false, true, false, false, true, false},
        {"not in the chain",
         {u"DELAY"_s, dash, dash, dash, dash},
         true,
         true,
         true,
         false,
         false,
         true},
    };
    for (const auto& [what, chain, eq, reverb, delay, eqAttached, reverbAttached, delayAttached] :
         cases) {
        SCOPED_TRACE(what);
        KaeRig rig;
        Channel& ch = rig.store.channel(6);
        ch.effects.fxChain = chain;
        ch.effects.eqActive = eq;
        ch.effects.reverbActive = reverb;
        ch.effects.delayActive = delay;
        ch.effects.delay.feedback = 33.0f;
        ch.effects.eq[1].gain = -4.5f;
        ASSERT_TRUE(loadAndApply(6, rampFile(20000)));
        EXPECT_EQ(ch.handles.eq[0] != 0 && ch.handles.eq[1] != 0 && ch.handles.eq[2] != 0,
                  eqAttached);
        EXPECT_EQ(ch.handles.reverb != 0, reverbAttached);
        EXPECT_EQ(ch.handles.delay != 0, delayAttached);
        EXPECT_EQ(ch.handles.chorus, 0);
        if (delayAttached) {
            engine::dsp::DsfxEcho echo;
            ASSERT_TRUE(rig.lib->fxGetParameters(audio::Handle(ch.handles.delay), &echo));
            EXPECT_EQ(echo.feedback, 33.0f);
            EXPECT_EQ(echo.leftDelay, 500.0f);
        }
        if (eqAttached) {
            engine::dsp::DsfxParamEq band;
            ASSERT_TRUE(rig.lib->fxGetParameters(audio::Handle(ch.handles.eq[1]), &band));
            EXPECT_EQ(band.center, 1000.0f);
            EXPECT_EQ(band.gain, -4.5f);
        }
        // Applying again attaches nothing twice.
        const EffectHandles before = ch.handles;
        KAE__Channel_ApplySettings(6);
        EXPECT_EQ(ch.handles.delay, before.delay);
        EXPECT_EQ(ch.handles.eq, before.eq);
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

// An echo that delays only the right side by 400 ms, and a reverb that spreads what enters
// it over both sides: with the reverb first in the chain the right output stays silent
// until the delayed click; with the echo first the reverb of the early left repeat reaches
// the right side long before.
TEST(KaeEffects, TheChainIsHeardInItsOrder) {
    const QString dash = u"---"_s;
    const QString reverb = u"REVERB"_s;
    const QString delay = u"DELAY"_s;
    using Row = std::tuple<const char*, std::array<QString, 5>, bool>;
    const Row cases[] = {
        {"reverb, delay", {reverb, delay, dash, dash, dash}, true},
        {"delay, reverb", {delay, reverb, dash, dash, dash}, false},
        {"delay late in the chain", {dash, reverb, dash, dash, delay}, true},
    };
    constexpr std::int64_t click = 1000;
    constexpr std::int64_t rightDelay = 17640;
    const QString path = testmedia::makeClick(mediaFolder(), u"chain_click"_s,
                                              testmedia::Format::Wav16, 44100, 2, 25000, click);
    for (const auto& [what, chain, reverbFirst] : cases) {
        SCOPED_TRACE(what);
        KaeRig rig;
        Channel& ch = rig.store.channel(3);
        ch.volume = 100;
        ch.pan = 0;
        ch.effects.fxChain = chain;
        ch.effects.reverbActive = true;
        ch.effects.delayActive = true;
        ch.effects.reverb = ReverbParams{0.0f, -6.0f, 500.0f, 0.5f};
        ch.effects.delay = DelayParams{100.0f, 0.0f, 50.0f, 400.0f, 0};
        ASSERT_TRUE(loadAndApply(3, path));
        ASSERT_TRUE(KAE__Channel_Play(3, true, false));
        const Rendered out = rig.render(25000);
        std::int64_t onset = -1;
        for (std::int64_t f = 0; f < out.frames() && onset < 0; ++f)
            if (out.at(f, 1) != 0.0f)
                onset = f;
        if (reverbFirst)
            EXPECT_EQ(onset, click + rightDelay);
        else
            EXPECT_LT(onset, click + rightDelay - 10000);
    }
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
    const Row steps[] = {{"boost", 12.0f, 12.0}, {"cut", -9.0f, -9.0}, {"clamped", -40.0f, -15.0}};
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
