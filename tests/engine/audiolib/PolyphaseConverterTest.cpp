// The engine's own converter across its whole ratio range, fed as the mixer feeds it (input
// topped up, 256-frame blocks pulled, the end of input flagged): how many frames come out,
// where they fall in time, and what a sine looks like after the trip.
#include "engine/audiolib/RateConverter.h"
#include "support/SineFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace kalvor::audio {
namespace {

constexpr int kCh = 2;
constexpr double kAmp = 0.5;

// `frames` of a sine of `f` cycles per frame in stereo, converted to the end.
std::vector<float> convertAll(RateConverter& c, long long frames, double f) {
    constexpr int kIn = 2048, kBlock = 256;
    std::vector<float> in(kIn * kCh), block(kBlock * kCh), out;
    int inCount = 0;
    long long fed = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        for (; inCount < kIn && fed < frames; ++inCount, ++fed) {
            const auto v = static_cast<float>(kAmp * std::sin(2 * std::numbers::pi * f * fed));
            in[inCount * kCh] = v;
            in[inCount * kCh + 1] = v;
        }
        const bool ended = fed == frames;
        const auto r = c.process(in.data(), inCount, block.data(), kBlock, ended);
        EXPECT_TRUE(r.ok);
        EXPECT_LE(r.used, inCount);
        std::copy(in.begin() + r.used * kCh, in.begin() + inCount * kCh, in.begin());
        inCount -= r.used;
        out.insert(out.end(), block.begin(), block.begin() + r.made * kCh);
        if (ended && inCount == 0 && r.made == 0)
            return out;
    }
    ADD_FAILURE() << "the converter never drained";
    return out;
}

struct Case {
    const char* name;
    double ratio;
};

class PolyphaseConverterTest : public ::testing::TestWithParam<Case> {};

TEST_P(PolyphaseConverterTest, FramesFallWhereTheRatioPutsThemAndASineKeepsItsShape) {
    const double ratio = GetParam().ratio;
    auto c = RateConverter::create(RateConverter::Kind::Polyphase, kCh);
    ASSERT_NE(c, nullptr);
    c->setRatio(ratio);
    // A tone well inside the band both rates carry.
    const double f = 0.1 * std::min(1.0, ratio);
    constexpr long long kFrames = 30011;
    const std::vector<float> out = convertAll(*c, kFrames, f);
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
}

INSTANTIATE_TEST_SUITE_P(
    Ratios, PolyphaseConverterTest,
    ::testing::Values(Case{"Sixteenth", 1.0 / 16}, Case{"SpeedThree", 48000.0 / 44100.0 / 3},
                      Case{"Half", 0.5}, Case{"FortyEightTo44k1", 44100.0 / 48000.0},
                      Case{"Unity", 1.0}, Case{"From44k1To48", 48000.0 / 44100.0},
                      Case{"Double", 2.0}, Case{"Sixteen", 16.0}),
    [](const auto& i) { return std::string(i.param.name); });

// Down-sampling: the cut-off follows the output's Nyquist frequency, whatever the ratio.
TEST(PolyphaseConverterDownTest, ToneAboveTheOutputsNyquistFrequencyVanishes) {
    for (const double ratio : {1.0 / 16, 48000.0 / 44100.0 / 3, 0.5, 44100.0 / 48000.0}) {
        SCOPED_TRACE(ratio);
        auto c = RateConverter::create(RateConverter::Kind::Polyphase, kCh);
        ASSERT_NE(c, nullptr);
        c->setRatio(ratio);
        // Half-way between the output's Nyquist frequency and the input's.
        const std::vector<float> out = convertAll(*c, 30011, 0.25 * (1 + ratio));
        const std::size_t edge = 40, n = out.size() / kCh - 2 * edge;
        double power = 0;
        for (std::size_t i = edge; i < edge + n; ++i)
            power += double(out[i * kCh]) * out[i * kCh];
        EXPECT_LT(10 * std::log10(std::max(power / n, 1e-30) / (kAmp * kAmp / 2)), -90);
    }
}

} // namespace
} // namespace kalvor::audio
