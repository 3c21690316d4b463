// Chorus and flanger: a dry knob passes the sound untouched, the delay knob delays by what
// it says, and the phase knob decides whether the two sides sweep together.
#include "Signals.h"

#include "engine/dsp/Chorus.h"
#include "engine/dsp/Echo.h"
#include "engine/dsp/Flanger.h"

#include <gtest/gtest.h>

#include <functional>

namespace kalvor::engine::dsp {
namespace {

DsfxChorus chorus(float mix, float depth, float feedback, float hz, int wave, float delayMs,
                  int phase) {
    DsfxChorus p;
    static_cast<DsfxModulation&>(p) = {mix, depth, feedback, hz, wave, delayMs, phase};
    return p;
}

DsfxFlanger flanger(float mix, float depth, float feedback, float hz, int wave, float delayMs,
                    int phase) {
    DsfxFlanger p;
    static_cast<DsfxModulation&>(p) = {mix, depth, feedback, hz, wave, delayMs, phase};
    return p;
}

struct DryCase {
    const char* name;
    int channels;
    std::function<std::unique_ptr<Effect>()> make;
};

TEST(Modulation, WetDryMixZeroPassesTheSoundUnchanged) {
    const DryCase cases[] = {
        {"chorus, strong", 2,
         [] {
             auto e = std::make_unique<Chorus>();
             e->setParameters(chorus(0.0f, 100.0f, 99.0f, 10.0f, kWaveSine, 20.0f, kPhase90));
             return e;
         }},
        {"chorus, triangle, 7.1", 8,
         [] {
             auto e = std::make_unique<Chorus>();
             e->setParameters(chorus(0.0f, 50.0f, -99.0f, 3.0f, kWaveTriangle, 5.0f, kPhase180));
             return e;
         }},
        {"flanger, defaults but dry", 2,
         [] {
             auto e = std::make_unique<Flanger>();
             e->setParameters(flanger(0.0f, 100.0f, -50.0f, 0.25f, kWaveSine, 2.0f, kPhaseZero));
             return e;
         }},
        {"flanger, mono, zero delay", 1,
         [] {
             auto e = std::make_unique<Flanger>();
             e->setParameters(flanger(0.0f, 100.0f, 99.0f, 10.0f, kWaveSine, 0.0f, kPhaseNeg90));
             return e;
         }},
        {"echo, dry", 2,
         [] {
             auto e = std::make_unique<Echo>();
             e->setParameters(DsfxEcho{0.0f, 90.0f, 3.0f, 5.0f, 1});
             return e;
         }},
    };
    for (const DryCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Effect> effect = c.make();
        ASSERT_TRUE(effect->prepare(44100, c.channels));
        std::vector<float> sound = test::noise(44100, c.channels, 1.0);
        const std::vector<float> input = sound;
        test::runBlocks(*effect, sound, c.channels, 300);
        EXPECT_EQ(sound, input);
    }
}

TEST(Modulation, WithoutSweepTheWetSignalIsTheInputDelayedByTheDelayKnob) {
    struct Case {
        const char* name;
        int rate;
        float delayMs;
        std::function<std::unique_ptr<Effect>(float)> make;
    };
    const Case cases[] = {
        {"chorus 10 ms", 48000, 10.0f,
         [](float ms) {
             auto e = std::make_unique<Chorus>();
             e->setParameters(chorus(100.0f, 0.0f, 0.0f, 0.0f, kWaveSine, ms, kPhase90));
             return e;
         }},
        {"chorus 20 ms", 44100, 20.0f,
         [](float ms) {
             auto e = std::make_unique<Chorus>();
             e->setParameters(chorus(100.0f, 0.0f, 0.0f, 2.0f, kWaveTriangle, ms, kPhase180));
             return e;
         }},
        {"flanger 2.5 ms", 48000, 2.5f,
         [](float ms) {
             auto e = std::make_unique<Flanger>();
             e->setParameters(flanger(100.0f, 0.0f, 0.0f, 5.0f, kWaveSine, ms, kPhaseNeg90));
             return e;
         }},
        {"flanger 4 ms", 48000, 4.0f,
         [](float ms) {
             auto e = std::make_unique<Flanger>();
             e->setParameters(flanger(100.0f, 0.0f, 0.0f, 0.0f, kWaveSine, ms, kPhaseZero));
             return e;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Effect> effect = c.make(c.delayMs);
        ASSERT_TRUE(effect->prepare(c.rate, 2));
        std::vector<float> sound = test::noise(c.rate, 2, 0.5);
        const std::vector<float> input = sound;
        test::runBlocks(*effect, sound, 2, 128);
        const int lag = static_cast<int>(std::lround(c.delayMs * c.rate / 1000.0));
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
    struct Case {
        int phase;
        bool sidesEqual;
    };
    const Case cases[] = {{kPhaseZero, true},
                          {kPhase90, false},
                          {kPhaseNeg90, false},
                          {kPhase180, false},
                          {kPhaseNeg180, false}};
    for (bool isChorus : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << (isChorus ? "chorus" : "flanger") << ", phase " << c.phase);
            std::unique_ptr<Effect> effect;
            if (isChorus) {
                auto e = std::make_unique<Chorus>();
                e->setParameters(chorus(100.0f, 100.0f, 0.0f, 2.0f, kWaveSine, 10.0f, c.phase));
                effect = std::move(e);
            } else {
                auto e = std::make_unique<Flanger>();
                e->setParameters(flanger(100.0f, 100.0f, 0.0f, 2.0f, kWaveSine, 2.0f, c.phase));
                effect = std::move(e);
            }
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
            if (c.sidesEqual)
                EXPECT_EQ(difference, 0.0);
            else
                EXPECT_GT(difference, 0.1 * level);
        }
    }
}

TEST(Modulation, OppositeEndsOfThePhaseKnobSoundTheSame) {
    // -180 and +180 degrees are the same offset; both must give the same output.
    std::vector<float> outputs[2];
    const int phases[2] = {kPhaseNeg180, kPhase180};
    for (int k = 0; k < 2; ++k) {
        Chorus effect;
        effect.setParameters(chorus(60.0f, 40.0f, 30.0f, 1.5f, kWaveTriangle, 12.0f, phases[k]));
        ASSERT_TRUE(effect.prepare(48000, 2));
        outputs[k] = test::noise(48000, 2, 0.5);
        test::runBlocks(effect, outputs[k], 2);
    }
    EXPECT_EQ(outputs[0], outputs[1]);
}

} // namespace
} // namespace kalvor::engine::dsp
