// Chorus and flanger: the delay knob delays by what it says, and the phase knob decides
// whether the two sides sweep together. (A dry knob: ChainAndParametersTest.)
#include "support/Signals.h"

#include "engine/dsp/Chorus.h"
#include "engine/dsp/Flanger.h"

#include <gtest/gtest.h>

namespace kalvor::engine::dsp {
namespace {

// A chorus or a flanger (they share their knobs) set to `p`.
std::unique_ptr<Effect> modulation(bool isChorus, const DsfxModulation& p) {
    if (isChorus) {
        auto e = std::make_unique<Chorus>();
        DsfxChorus c;
        static_cast<DsfxModulation&>(c) = p;
        e->setParameters(c);
        return e;
    }
    auto e = std::make_unique<Flanger>();
    DsfxFlanger f;
    static_cast<DsfxModulation&>(f) = p;
    e->setParameters(f);
    return e;
}

constexpr bool kChorus = true;
constexpr bool kFlanger = false;

TEST(Modulation, WithoutSweepTheWetSignalIsTheInputDelayedByTheDelayKnob) {
    // what, rate, chorus or flanger, then all wet and no depth: LFO rate, wave, delay, phase
    using Row = std::tuple<const char*, int, bool, float, int, float, int>;
    const Row cases[] = {
        {"chorus 10 ms", 48000, kChorus, 0.0f, kWaveSine, 10.0f, kPhase90},
        {"chorus 20 ms", 44100, kChorus, 2.0f, kWaveTriangle, 20.0f, kPhase180},
        {"flanger 2.5 ms", 48000, kFlanger, 5.0f, kWaveSine, 2.5f, kPhaseNeg90},
        {"flanger 4 ms", 48000, kFlanger, 0.0f, kWaveSine, 4.0f, kPhaseZero},
    };
    for (const auto& [name, rate, isChorus, hz, wave, delay, phase] : cases) {
        SCOPED_TRACE(name);
        const DsfxModulation params{100.0f, 0.0f, 0.0f, hz, wave, delay, phase};
        std::unique_ptr<Effect> effect = modulation(isChorus, params);
        ASSERT_TRUE(effect->prepare(rate, 2));
        std::vector<float> sound = test::noise(rate, 2, 0.5);
        const std::vector<float> input = sound;
        test::runBlocks(*effect, sound, 2, 128);
        const int lag = static_cast<int>(std::lround(params.delay * rate / 1000.0));
        const int frames = static_cast<int>(sound.size() / 2);
        double error = 0.0;
        for (int i = lag; i < frames; ++i)
            for (int ch = 0; ch < 2; ++ch)
                error = std::max(error, double(std::fabs(sound[std::size_t(i) * 2 + ch] -
                                                         input[std::size_t(i - lag) * 2 + ch])));
        EXPECT_LT(error, 1e-4) << "lag " << lag;
    }
}

TEST(Modulation, PhaseKnobDecidesWhetherBothSidesSweepTogether) {
    using Row = std::tuple<int, bool>;
    const Row cases[] = {{kPhaseZero, true},
                         {kPhase90, false},
                         {kPhaseNeg90, false},
                         {kPhase180, false},
                         {kPhaseNeg180, false}};
    for (bool isChorus : {true, false}) {
        std::vector<float> at180; // -180 and +180 degrees are the same offset
        for (const auto& [phase, sidesEqual] : cases) {
            SCOPED_TRACE(testing::Message()
                         << (isChorus ? "chorus" : "flanger") << ", phase " << phase);
            std::unique_ptr<Effect> effect = modulation(
                isChorus, {100.0f, 100.0f, 0.0f, 2.0f, kWaveSine, isChorus ? 10.0f : 2.0f, phase});
            ASSERT_TRUE(effect->prepare(44100, 2));
            // The same sound on both sides: only the LFOs can tell them apart.
            std::vector<float> sound = test::tone(3000.0, 44100, 2, 1.0);
            test::runBlocks(*effect, sound, 2);
            double difference = 0.0;
            double level = 0.0;
            for (std::size_t i = 0; i < sound.size(); i += 2) {
                difference += std::pow(sound[i] - sound[i + 1], 2.0);
                level += std::pow(sound[i], 2.0);
            }
            if (sidesEqual)
                EXPECT_EQ(difference, 0.0);
            else
                EXPECT_GT(difference, 0.1 * level);
            if (phase == kPhase180 || phase == kPhaseNeg180) {
                if (!at180.empty()) {
                    EXPECT_EQ(sound, at180) << "opposite ends of the knob";
                }
                at180 = sound;
            }
        }
    }
}

} // namespace
} // namespace kalvor::engine::dsp
