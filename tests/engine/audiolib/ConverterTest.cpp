// Every converter behind the engine's interface, fed the way the mixer feeds it: blocks of
// input topped up, blocks of output pulled, the ratio set between blocks, the end of input
// flagged. And the engine's own converter across its whole ratio range: how many frames
// come out, where they fall in time, and what a sine looks like after the trip.
#include "engine/audiolib/RateConverter.h"
#include "support/SineFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace kalvor::audio {
namespace {

using Kind = RateConverter::Kind;
constexpr int kCh = 2;
constexpr double kAmp = 0.5;

// A sine of `f` cycles per input frame in stereo through `c`: input topped up to 2048
// frames, 256-frame blocks pulled with the ratio `ratioAt(block)`. Endless input (`frames`
// < 0) gives `blocks` blocks; a finite one is flagged at its end and drained.
template <typename RatioAt>
std::vector<float> convert(RateConverter& c, double f, long long frames, int blocks,
                           RatioAt ratioAt) {
    constexpr int kIn = 2048, kBlock = 256;
    std::vector<float> in(kIn * kCh), block(kBlock * kCh), out;
    int inCount = 0;
    long long fed = 0;
    for (int b = 0; b < blocks; ++b) {
        c.setRatio(ratioAt(b));
        int got = 0;
        bool drained = false;
        for (int guard = 0; got < kBlock && guard < 8 && !drained; ++guard) {
            for (; inCount < kIn && fed != frames; ++inCount, ++fed) {
                const auto v = static_cast<float>(kAmp * std::sin(2 * std::numbers::pi * f * fed));
                in[inCount * kCh] = v;
                in[inCount * kCh + 1] = v;
            }
            const bool ended = fed == frames;
            const auto r =
                c.process(in.data(), inCount, block.data() + got * kCh, kBlock - got, ended);
            EXPECT_TRUE(r.ok);
            EXPECT_LE(r.used, inCount);
            std::copy(in.begin() + r.used * kCh, in.begin() + inCount * kCh, in.begin());
            inCount -= r.used;
            got += r.made;
            drained = ended && inCount == 0 && r.made == 0;
        }
        out.insert(out.end(), block.begin(), block.begin() + got * kCh);
        if (drained)
            return out;
    }
    EXPECT_LT(frames, 0) << "the converter never drained";
    return out;
}

// Largest sample-to-sample change of the left channel.
double maxStep(const std::vector<float>& out) {
    double step = 0;
    for (std::size_t i = 2 * kCh; i < out.size(); i += kCh)
        step = std::max(step, double(std::abs(out[i] - out[i - kCh])));
    return step;
}

constexpr double k1kHz = 1000.0 / 44100.0;
const auto k44To48 = [](int) {
    return 48000.0 / 44100.0;
};

class ConverterTest : public ::testing::TestWithParam<Kind> {};

TEST_P(ConverterTest, DeviceRateSineIsCleanAndKeepsItsLength) {
    auto c = RateConverter::create(GetParam(), 2);
    ASSERT_NE(c, nullptr);
    const std::vector<float> out = convert(*c, k1kHz, -1, 200, k44To48);
    const std::size_t frames = out.size() / 2;
    // Apart from the filter's start-up, every period is delivered in full.
    EXPECT_GE(frames, 199u * 256);
    const std::size_t skip = 4096;
    EXPECT_LT(
        kalvor::test::thdPlusNoiseDb(out.data() + skip * 2, frames - skip, 2, 1000.0 / 48000.0),
        -80);
    // Both channels carry the same signal.
    for (std::size_t i = skip * 2; i < out.size(); i += 2)
        ASSERT_FLOAT_EQ(out[i], out[i + 1]) << i;
}

TEST_P(ConverterTest, SpeedChangesBetweenPeriodsDoNotStep) {
    auto c = RateConverter::create(GetParam(), 2);
    ASSERT_NE(c, nullptr);
    // Alternating between pitch up and down by a fifth: the waveform bends, never jumps.
    // A sine of amplitude 0.5 at most 1.5 kHz moves at most 0.1 per 48 kHz frame.
    const std::vector<float> out = convert(*c, k1kHz, -1, 120, [](int p) {
        return 48000.0 / 44100.0 * ((p / 10) % 2 != 0 ? 1.5 : 1 / 1.5);
    });
    EXPECT_GT(out.size(), 100u * 256 * 2);
    EXPECT_LT(maxStep(out), 0.12);
}

TEST_P(ConverterTest, ResetStartsAFreshSignal) {
    auto c = RateConverter::create(GetParam(), 2);
    ASSERT_NE(c, nullptr);
    const std::vector<float> first = convert(*c, k1kHz, -1, 20, k44To48);
    c->reset();
    EXPECT_EQ(convert(*c, k1kHz, -1, 20, k44To48), first);
}

// libsamplerate, libsoxr and our own.
INSTANTIATE_TEST_SUITE_P(Kinds, ConverterTest,
                         ::testing::Values(Kind::Samplerate, Kind::Soxr, Kind::Polyphase));

class PolyphaseConverterTest : public ::testing::TestWithParam<double> {};

TEST_P(PolyphaseConverterTest, FramesFallWhereTheRatioPutsThemAndASineKeepsItsShape) {
    const double ratio = GetParam();
    auto c = RateConverter::create(RateConverter::Kind::Polyphase, kCh);
    ASSERT_NE(c, nullptr);
    // A tone well inside the band both rates carry.
    const double f = 0.1 * std::min(1.0, ratio);
    constexpr long long kFrames = 30011;
    const std::vector<float> out = convert(*c, f, kFrames, 100000, [ratio](int) { return ratio; });
    const auto made = static_cast<long long>(out.size() / kCh);
    // Output frame j stands for input time j / ratio; the input ends at kFrames.
    EXPECT_EQ(made, static_cast<long long>(std::ceil(kFrames * ratio - 1e-9)));

    // Away from the two ends, where the filter (32 input frames each side, or 32 output
    // frames when down-sampling) meets the silence around the signal.
    const auto edge = static_cast<std::size_t>(std::ceil(40 * std::max(ratio, 1.0)));
    ASSERT_GT(out.size() / kCh, 4 * edge);
    const std::size_t n = out.size() / kCh - 2 * edge;
    const double fo = f / ratio;
    const auto fit = kalvor::test::fitSine(out.data() + edge * kCh, n, kCh, fo);
    EXPECT_NEAR(20 * std::log10(fit.amplitude / kAmp), 0.0, 0.01);
    // The fit starts at output frame `edge`: phase 2 pi fo edge if no time is lost or gained;
    // a hundredth of an input frame late would be 2 pi f / 100.
    const double expected = std::remainder(2 * std::numbers::pi * fo * edge, 2 * std::numbers::pi);
    EXPECT_NEAR(std::remainder(fit.phase - expected, 2 * std::numbers::pi), 0.0,
                2 * std::numbers::pi * f / 100);
    // Anything but the tone (a wrong frequency leaves the tone itself here).
    EXPECT_LT(10 * std::log10(fit.residualPower / (kAmp * kAmp / 2)), -85);
    if (ratio >= 1)
        return;
    // Down-sampling: the cut-off follows the output's Nyquist frequency, whatever the ratio. A
    // tone half-way between it and the input's vanishes.
    c = RateConverter::create(RateConverter::Kind::Polyphase, kCh);
    const std::vector<float> above =
        convert(*c, 0.25 * (1 + ratio), kFrames, 100000, [ratio](int) { return ratio; });
    double power = 0;
    for (std::size_t i = 40; i < above.size() / kCh - 40; ++i)
        power += double(above[i * kCh]) * above[i * kCh];
    EXPECT_LT(10 * std::log10(std::max(power / double(above.size() / kCh - 80), 1e-30) /
                              (kAmp * kAmp / 2)),
              -90);
}

// A sixteenth, a speed of three at 48 kHz, a half, 48 to 44.1 kHz, unity, 44.1 to 48 kHz,
// double and sixteen.
INSTANTIATE_TEST_SUITE_P(Ratios, PolyphaseConverterTest,
                         ::testing::Values(1.0 / 16, 48000.0 / 44100.0 / 3, 0.5, 44100.0 / 48000.0,
                                           1.0, 48000.0 / 44100.0, 2.0, 16.0));

} // namespace
} // namespace kalvor::audio
