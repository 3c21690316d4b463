// The effect chain records the order effects were switched on in: switching on fills the
// first empty place, switching off closes the gap. (The switch reaching a playing stream
// is tested through the effects window.)
#include "core/EffectSettings.h"
#include "engine/kae/KaeEffectChain.h"

#include <gtest/gtest.h>

using namespace kalvor;
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
    using Row = std::tuple<FxChain, KaeEffect, bool, FxChain>;
    const Row cases[] = {
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
    for (const auto& [before, effect, on, after] : cases) {
        FxChain chain = before;
        const bool changed =
            on ? engine::chainSwitchOn(chain, effect) : engine::chainSwitchOff(chain, effect);
        EXPECT_EQ(chain, after)
            << QStringList(before.begin(), before.end()).join(QLatin1Char(',')).toStdString()
            << (on ? " on " : " off ") << engine::effectChainName(effect).toStdString();
        EXPECT_EQ(changed, chain != before);
    }
}
