// The effect chain records the order effects were switched on in: switching on fills the
// first empty place, switching off closes the gap; and on a playing channel the switch
// reaches the library (the effect is heard, then gone).
#include "KaeRig.h"
#include "TestMedia.h"
#include "engine/kae/KaeEffectChain.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using engine::FxChain;
using engine::KaeEffect;

namespace {

FxChain chainOf(const char* a, const char* b, const char* c, const char* d, const char* e) {
    return {QLatin1String(a), QLatin1String(b), QLatin1String(c), QLatin1String(d),
            QLatin1String(e)};
}

} // namespace

TEST(EffectChain, SwitchingKeepsTheOrderEffectsWereSwitchedOnIn) {
    const FxChain empty = chainOf("---", "---", "---", "---", "---");
    const struct {
        FxChain before;
        KaeEffect effect;
        bool on;
        FxChain after;
    } cases[] = {
        {empty, KaeEffect::Delay, true, chainOf("DELAY", "---", "---", "---", "---")},
        {chainOf("DELAY", "---", "---", "---", "---"), KaeEffect::Reverb, true,
         chainOf("DELAY", "REVERB", "---", "---", "---")},
        {chainOf("DELAY", "REVERB", "---", "---", "---"), KaeEffect::Delay, false,
         chainOf("REVERB", "---", "---", "---", "---")},
        // All five listed: a sixth switch-on changes nothing.
        {defaultFxChain(), KaeEffect::Chorus, true, defaultFxChain()},
        // The fifth place is simply emptied.
        {defaultFxChain(), KaeEffect::Flanger, false,
         chainOf("EQ", "REVERB", "DELAY", "CHORUS", "---")},
        {defaultFxChain(), KaeEffect::EQ, false,
         chainOf("REVERB", "DELAY", "CHORUS", "FLANGER", "---")},
        // A gap left by an older file is filled first; an effect is never listed twice.
        {chainOf("REVERB", "---", "DELAY", "---", "---"), KaeEffect::EQ, true,
         chainOf("REVERB", "EQ", "DELAY", "---", "---")},
        {chainOf("REVERB", "---", "---", "---", "---"), KaeEffect::Reverb, true,
         chainOf("REVERB", "---", "---", "---", "---")},
        // Switching off what is not listed changes nothing.
        {chainOf("REVERB", "---", "---", "---", "---"), KaeEffect::Chorus, false,
         chainOf("REVERB", "---", "---", "---", "---")},
    };
    for (const auto& c : cases) {
        FxChain chain = c.before;
        const bool changed =
            c.on ? engine::chainSwitchOn(chain, c.effect) : engine::chainSwitchOff(chain, c.effect);
        EXPECT_EQ(chain, c.after)
            << QStringList(c.before.begin(), c.before.end()).join(QLatin1Char(',')).toStdString()
            << (c.on ? " on " : " off ") << engine::effectChainName(c.effect).toStdString();
        EXPECT_EQ(changed, chain != c.before);
    }
}

TEST(EffectChain, ASwitchOnAPlayingChannelIsHeardAtOnce) {
    KaeRig rig;
    ASSERT_TRUE(rig.initResult);
    Channel& ch = rig.store.channel(1);
    ch.volume = 100;
    ch.effects.fxChain = chainOf("---", "---", "---", "---", "---");
    const QString click = testmedia::makeClick(mediaFolder(), QStringLiteral("chain_click"),
                                               testmedia::Format::Wav16, 44100, 2, 44100, 100);
    ASSERT_TRUE(KAE__Channel_Load_Sound(1, click));
    KAE__Channel_ApplySettings(1);
    ch.effects.delay.leftDelay = ch.effects.delay.rightDelay = 100; // ms
    engine::switchEffect(1, KaeEffect::Delay, true);
    EXPECT_TRUE(ch.effects.delayActive);
    EXPECT_NE(ch.handles.delay, 0);
    EXPECT_EQ(ch.effects.fxChain[0], QStringLiteral("DELAY"));
    ASSERT_TRUE(KAE__Channel_Play(1, true, false));
    // The echo of the click 100 ms (4410 frames) later.
    const Rendered r = rig.render(8000);
    EXPECT_GT(r.peak(0, 4500, 4520), 0.1);

    engine::switchEffect(1, KaeEffect::Delay, false);
    EXPECT_FALSE(ch.effects.delayActive);
    EXPECT_EQ(ch.handles.delay, 0);
    EXPECT_EQ(ch.effects.fxChain[0], QStringLiteral("---"));
    // A channel without a stream keeps the switch in its record for the next load.
    KAE__Stream_Free(1);
    engine::switchEffect(1, KaeEffect::Chorus, true);
    EXPECT_TRUE(ch.effects.chorusActive);
    EXPECT_EQ(ch.handles.chorus, 0);
    EXPECT_EQ(ch.effects.fxChain[0], QStringLiteral("CHORUS"));
}
