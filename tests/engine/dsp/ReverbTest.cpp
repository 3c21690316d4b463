// The reverb decays in the time its knob says, the highs faster by the ratio knob, and the
// mix knob fades between direct sound and reverb without a jump in level, after the input
// gain.
#include "support/Signals.h"

#include "engine/dsp/WavesReverb.h"

#include <gtest/gtest.h>

namespace kalvor::engine::dsp {
namespace {

using test::rms;
using test::runBlocks;
using test::toDb;

// Plays `burst`, then silence, through an all-wet reverb; returns the decay time measured
// on each channel from the end of the burst.
std::vector<double> measuredDecay(const DsfxWavesReverb& params, int rate, int channels,
                                  std::vector<float> burst, double totalSeconds) {
    WavesReverb reverb;
    reverb.setParameters(params);
    EXPECT_TRUE(reverb.prepare(rate, channels));
    const int burstFrames = static_cast<int>(burst.size() / channels);
    burst.resize(std::size_t(totalSeconds * rate) * channels, 0.0f);
    runBlocks(reverb, burst, channels);
    std::vector<double> times;
    for (int ch = 0; ch < channels; ++ch)
        times.push_back(test::reverbTime(burst, channels, ch, burstFrames, rate));
    return times;
}

TEST(WavesReverb, DecaysInTheSetReverbTime) {
    using Row = std::tuple<int, int, float>;
    const Row cases[] = {{44100, 2, 300.0f},
                         {48000, 2, 1000.0f},
                         {44100, 1, 1800.0f},
                         {96000, 6, 700.0f},
                         {44100, 2, 3000.0f}};
    for (const auto& [rate, channels, timeMs] : cases) {
        SCOPED_TRACE(testing::Message()
                     << timeMs << " ms at " << rate << ", " << channels << " ch");
        // Almost flat across frequency (ratio 0.999), all wet.
        const DsfxWavesReverb params{0.0f, 0.0f, timeMs, 0.999f};
        const auto burst = test::noise(rate, channels, 0.05);
        const double seconds = 0.05 + timeMs / 1000.0 * 0.8 + 0.2;
        for (double measured : measuredDecay(params, rate, channels, burst, seconds))
            EXPECT_NEAR(measured, timeMs / 1000.0, 0.2 * timeMs / 1000.0);
    }
}

TEST(WavesReverb, HighsDieAwayFasterByTheRatio) {
    const int rate = 44100;
    const DsfxWavesReverb params{0.0f, 0.0f, 2000.0f, 0.1f};
    const double low = measuredDecay(params, rate, 1, test::tone(200.0, rate, 1, 0.3), 2.5)[0];
    const double high = measuredDecay(params, rate, 1, test::tone(12000.0, rate, 1, 0.3), 2.5)[0];
    EXPECT_NEAR(low, 2.0, 0.4);
    EXPECT_GT(high, 0.0);
    EXPECT_LT(high, 0.35 * low);
}

TEST(WavesReverb, MixFadesBetweenDirectSoundAndReverbAtSteadyLevelAfterTheInputGain) {
    using Row = std::tuple<float, float, float, double, double>;
    const Row cases[] = {
        {0.0f, 0.0f, 1000.0f, 0.0, 3.0},       // all reverb, level normalised
        {0.0f, 0.0f, 3000.0f, 0.0, 3.0},       // longest time: no louder
        {0.0f, 0.0f, 100.0f, 0.0, 3.0},        // short time: no quieter
        {0.0f, -6.0f, 1000.0f, 0.0, 3.0},      // a blend
        {0.0f, -96.0f, 1000.0f, 0.0, 0.01},    // direct sound only
        {-20.0f, -96.0f, 1000.0f, -20.0, 0.1}, // the input gain attenuates what enters
    };
    for (const auto& [inDb, mixDb, timeMs, expectDb, toleranceDb] : cases) {
        SCOPED_TRACE(testing::Message()
                     << "in " << inDb << " dB, mix " << mixDb << " dB, " << timeMs << " ms");
        WavesReverb reverb;
        reverb.setParameters(DsfxWavesReverb{inDb, mixDb, timeMs, 0.5f});
        ASSERT_TRUE(reverb.prepare(44100, 2));
        // The same sound on both sides, as most of a show's material is close to.
        std::vector<float> sound = test::noise(44100, 2, 4.0, 0.25f, true);
        const std::vector<float> input = sound;
        runBlocks(reverb, sound, 2);
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_NEAR(toDb(rms(sound, 2, ch, 3 * 44100, 4 * 44100) /
                             rms(input, 2, ch, 3 * 44100, 4 * 44100)),
                        expectDb, toleranceDb);
    }
}

TEST(WavesReverb, SidesCarryDifferentTails) {
    // A mono source must come out as a wide tail, not the same signal on every speaker.
    WavesReverb reverb;
    reverb.setParameters(DsfxWavesReverb{0.0f, 0.0f, 1500.0f, 0.5f});
    ASSERT_TRUE(reverb.prepare(44100, 2));
    std::vector<float> sound = test::noise(44100, 2, 2.0, 0.25f, true);
    runBlocks(reverb, sound, 2);
    double product = 0.0, left = 0.0, right = 0.0;
    for (std::size_t i = 44100 * 2; i < sound.size(); i += 2) {
        product += double(sound[i]) * sound[i + 1];
        left += double(sound[i]) * sound[i];
        right += double(sound[i + 1]) * sound[i + 1];
    }
    EXPECT_LT(std::fabs(product / std::sqrt(left * right)), 0.5);
}

} // namespace
} // namespace kalvor::engine::dsp
