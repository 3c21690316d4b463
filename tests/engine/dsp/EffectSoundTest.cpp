// The effects as heard, measured on tones, clicks and noise: what each knob says it does.
#include "engine/dsp/Chorus.h"
#include "engine/dsp/Echo.h"
#include "engine/dsp/Flanger.h"
#include "engine/dsp/ParamEq.h"
#include "engine/dsp/WavesReverb.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace kalvor::engine::dsp {
namespace {

using test::rms;
using test::runBlocks;
using test::toDb;
using test::tone;

// The parametric EQ band does what its three knobs say, measured on sine tones.
TEST(ParamEq, RaisesOrCutsAtTheCentreAndLeavesTonesTwoOctavesAway) {
    // rate, channels, band, tones off the centre that it leaves within 1 dB (the centre
    // itself gets the band's gain within 0.5 dB)
    using Row = std::tuple<int, int, DsfxParamEq, std::vector<double>>;
    const Row cases[] = {
        {44100, 2, {1000.0f, 12.0f, 12.0f}, {250.0, 4000.0}}, // one octave wide, two away
        {48000, 1, {125.0f, 12.0f, -12.0f}, {500.0}},         // a cut on a low band, mono
        {48000, 6, {8000.0f, 12.0f, 12.0f}, {2000.0}},        // a high band on a 5.1 stream
        {96000, 2, {80.0f, 1.0f, 15.0f}, {160.0}}, // narrowest, full boost, lowest, high rate
        {44100, 2, {2000.0f, 36.0f, -15.0f}, {}},  // widest band, full cut: the whole cut
        {44100, 2, {16000.0f, 2.0f, 12.0f}, {}},   // the top band where it is set at 44.1 kHz
        {48000, 2, {16000.0f, 2.0f, 12.0f}, {}},   // as at 48 kHz
    };
    for (const auto& [rate, channels, band, offCentre] : cases) {
        std::vector<double> probes{band.center};
        probes.insert(probes.end(), offCentre.begin(), offCentre.end());
        for (const double probeHz : probes) {
            const bool centre = probeHz == band.center;
            const double expectDb = centre ? band.gain : 0.0, toleranceDb = centre ? 0.5 : 1.0;
            SCOPED_TRACE(testing::Message() << band.center << " Hz " << band.bandwidth << " st "
                                            << band.gain << " dB at " << rate << ", probe "
                                            << probeHz << " Hz, " << channels << " ch");
            ParamEq eq;
            eq.setParameters(band);
            ASSERT_TRUE(eq.prepare(rate, channels));
            std::vector<float> sound = tone(probeHz, rate, channels, 1.5);
            const std::vector<float> input = sound;
            runBlocks(eq, sound, channels, 441);
            // Measure after the filter has settled (a narrow 80 Hz band rings for ~0.2 s).
            const int from = rate;
            const int to = rate * 3 / 2;
            for (int ch = 0; ch < channels; ++ch) {
                const double gainDb =
                    toDb(rms(sound, channels, ch, from, to) / rms(input, channels, ch, from, to));
                EXPECT_NEAR(gainDb, expectDb, toleranceDb) << "channel " << ch;
            }
        }
    }
}

// The echo repeats at the set delays, to the sample, on the right sides.

int frames(float ms, int rate) {
    return static_cast<int>(std::lround(double(ms) * rate / 1000.0));
}

TEST(Echo, RepeatsAtTheSetDelayToTheSampleAndPanDelaySwapsSides) {
    using Row = std::tuple<int, int, float, float, int>;
    const Row cases[] = {
        {44100, 2, 500.0f, 500.0f, 0}, // the defaults
        {48000, 2, 123.4f, 250.0f, 0}, // fractional ms, sides differ
        {44100, 2, 100.0f, 37.0f, 1},  // ping-pong
        {48000, 1, 7.3f, 7.3f, 1},     // mono: pan delay has no other side
        {44100, 6, 10.0f, 21.0f, 1},   // 5.1: pairs cross within themselves
        {22050, 2, 1.0f, 2000.0f, 0},  // both ends of the range
    };
    for (const auto& [rate, channels, leftMs, rightMs, panDelay] : cases) {
        for (int source = 0; source < std::min(channels, 2); ++source) {
            SCOPED_TRACE(testing::Message()
                         << rate << " Hz, " << channels << " ch, " << leftMs << "/" << rightMs
                         << " ms, pan " << panDelay << ", click on " << source);
            Echo echo;
            echo.setParameters(DsfxEcho{100.0f, 50.0f, leftMs, rightMs, panDelay});
            ASSERT_TRUE(echo.prepare(rate, channels));

            auto delayOf = [&](int ch) {
                return frames(ch % 2 == 0 ? leftMs : rightMs, rate);
            };
            const int partner = source ^ 1;
            const bool crosses = panDelay != 0 && partner < channels;
            const int second = crosses ? partner : source;
            const int firstAt = delayOf(source);
            const int secondAt = firstAt + delayOf(second);
            // (frame, channel) -> level: the click itself is all wet, so only repeats sound.
            std::map<std::pair<int, int>, float> expected{{{firstAt, source}, 1.0f},
                                                          {{secondAt, second}, 0.5f}};

            const int length = secondAt + 1;
            std::vector<float> sound(std::size_t(length) * channels, 0.0f);
            sound[std::size_t(source)] = 1.0f;
            test::runBlocks(echo, sound, channels, 256);

            int wrong = 0;
            for (int i = 0; i < length; ++i)
                for (int ch = 0; ch < channels; ++ch) {
                    const auto it = expected.find({i, ch});
                    const float want = it == expected.end() ? 0.0f : it->second;
                    const float got = sound[std::size_t(i) * channels + ch];
                    if (got != want && ++wrong <= 4)
                        ADD_FAILURE() << "frame " << i << " channel " << ch << ": " << got
                                      << ", expected " << want;
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}

// Turning the echo's delay knobs while a sound plays is not heard as a click per step: the
// repeats cross over from the old delay to the new one.

float largestStep(const std::vector<float>& sound, int channels, int channel, int from, int to) {
    float step = 0.0f;
    for (int f = from + 1; f < to; ++f)
        step = std::max(step, std::fabs(sound[std::size_t(f * channels + channel)] -
                                        sound[std::size_t((f - 1) * channels + channel)]));
    return step;
}

TEST(EchoDelayKnob, ATurnedDelayCrossesOverInsteadOfJumping) {
    // rate, left and right delay before and after (ms)
    using Row = std::tuple<int, float, float, float, float>;
    const Row cases[] = {
        {44100, 500.0f, 500.0f, 530.0f, 500.0f},  // one side
        {48000, 100.0f, 37.0f, 90.0f, 61.0f},     // both sides at once
        {22050, 2000.0f, 1.0f, 1.0f, 2000.0f},    // from one end of the range to the other
        {44100, 100.0f, 100.0f, 1500.0f, 100.0f}, // far beyond where the repeats reached
    };
    for (const auto& [rate, left, right, newLeft, newRight] : cases) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, " << left << "/" << right << " -> "
                                        << newLeft << "/" << newRight << " ms");
        const int channels = 2;
        Echo echo;
        echo.setParameters(DsfxEcho{100.0f, 0.0f, left, right, 0});
        ASSERT_TRUE(echo.prepare(rate, channels));
        std::vector<float> sound = test::tone(150.0, rate, channels, 6.0);
        const int block = 256;
        const int turnAt = rate * 5 / 2 / block * block; // every repeat sounds by then
        for (int f = 0; f < int(sound.size()) / channels; f += block) {
            if (f == turnAt)
                echo.setParameters(DsfxEcho{100.0f, 0.0f, newLeft, newRight, 0});
            const int n = std::min(block, int(sound.size()) / channels - f);
            echo.process(sound.data() + std::size_t(f) * channels, n);
        }
        for (int ch = 0; ch < channels; ++ch) {
            const float steady = largestStep(sound, channels, ch, turnAt - rate / 2, turnAt - 1);
            ASSERT_GT(steady, 0.0f);
            EXPECT_LT(largestStep(sound, channels, ch, turnAt - 1, turnAt + rate / 2),
                      2.0f * steady)
                << "channel " << ch;
            // The repeats go on at the new delay, as loud as before.
            EXPECT_NEAR(
                test::toDb(test::rms(sound, channels, ch, turnAt + rate / 10, turnAt + rate / 2) /
                           test::rms(sound, channels, ch, turnAt - rate / 2, turnAt)),
                0.0, 0.5)
                << "channel " << ch;
        }
    }
}

// Chorus and flanger: the delay knob delays by what it says, and the phase knob decides
// whether the two sides sweep together. (A dry knob: ChainAndParametersTest.)

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

// The reverb decays in the time its knob says, the highs faster by the ratio knob, and the
// mix knob fades between direct sound and reverb without a jump in level, after the input
// gain.

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
