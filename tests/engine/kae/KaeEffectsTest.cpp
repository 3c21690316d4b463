// The effects of a channel as Apply hands them to the library: only those switched on and
// named in the chain, with the record's values; kept in the record while no sound is
// open; attached afresh to every new stream in chain order; changed while playing and gone
// when removed.
#include "TestMedia.h"
#include "engine/kae/EffectDefaults.h"
#include "support/KaeRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

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
