// Every converter behind the engine's interface, fed the way the mixer feeds it: blocks of
// input topped up, blocks of output pulled, the ratio set between blocks.
#include "engine/audiolib/RateConverter.h"
#include "support/SineFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kalvor::audio {
namespace {

using Kind = RateConverter::Kind;

struct Converted {
    std::vector<float> out; // stereo frames
    double maxStep = 0;     // largest sample-to-sample change of the left channel
};

// A 1 kHz sine at 44.1 kHz in stereo through `c` in 256-frame periods; `ratioAt(period)`
// gives the ratio of each period.
template <typename RatioAt> Converted convert(RateConverter& c, int periods, RatioAt ratioAt) {
    constexpr int kCh = 2, kPeriod = 256, kIn = 2048;
    std::vector<float> in(kIn * kCh), block(kPeriod * kCh);
    int inCount = 0;
    long long fed = 0;
    Converted r;
    for (int p = 0; p < periods; ++p) {
        c.setRatio(ratioAt(p));
        int got = 0;
        for (int guard = 0; got < kPeriod && guard < 8; ++guard) {
            for (; inCount < kIn; ++inCount, ++fed) {
                const auto v = static_cast<float>(
                    0.5 * std::sin(2 * std::numbers::pi * 1000.0 * fed / 44100.0));
                in[inCount * kCh] = v;
                in[inCount * kCh + 1] = v;
            }
            const auto res =
                c.process(in.data(), inCount, block.data() + got * kCh, kPeriod - got, false);
            EXPECT_TRUE(res.ok);
            std::copy(in.begin() + res.used * kCh, in.begin() + inCount * kCh, in.begin());
            inCount -= res.used;
            got += res.made;
        }
        r.out.insert(r.out.end(), block.begin(), block.begin() + got * kCh);
    }
    for (std::size_t i = 2 * kCh; i < r.out.size(); i += kCh)
        r.maxStep = std::max(r.maxStep, double(std::abs(r.out[i] - r.out[i - kCh])));
    return r;
}

struct Case {
    const char* name;
    Kind kind;
    double maxThdN; // dB, 44.1 -> 48 kHz
};

class ConverterTest : public ::testing::TestWithParam<Case> {};

TEST_P(ConverterTest, DeviceRateSineIsCleanAndKeepsItsLength) {
    auto c = RateConverter::create(GetParam().kind, 2);
    ASSERT_NE(c, nullptr);
    const Converted r = convert(*c, 200, [](int) { return 48000.0 / 44100.0; });
    const std::size_t frames = r.out.size() / 2;
    // Apart from the filter's start-up, every period is delivered in full.
    EXPECT_GE(frames, 199u * 256);
    const std::size_t skip = 4096;
    EXPECT_LT(
        kalvor::test::thdPlusNoiseDb(r.out.data() + skip * 2, frames - skip, 2, 1000.0 / 48000.0),
        GetParam().maxThdN);
    // Both channels carry the same signal.
    for (std::size_t i = skip * 2; i < r.out.size(); i += 2)
        ASSERT_FLOAT_EQ(r.out[i], r.out[i + 1]) << i;
}

TEST_P(ConverterTest, SpeedChangesBetweenPeriodsDoNotStep) {
    auto c = RateConverter::create(GetParam().kind, 2);
    ASSERT_NE(c, nullptr);
    // Alternating between pitch up and down by a fifth: the waveform bends, never jumps.
    // A sine of amplitude 0.5 at most 1.5 kHz moves at most 0.1 per 48 kHz frame.
    const Converted r = convert(
        *c, 120, [](int p) { return 48000.0 / 44100.0 * ((p / 10) % 2 != 0 ? 1.5 : 1 / 1.5); });
    EXPECT_GT(r.out.size(), 100u * 256 * 2);
    EXPECT_LT(r.maxStep, 0.12);
}

TEST_P(ConverterTest, ResetStartsAFreshSignal) {
    auto c = RateConverter::create(GetParam().kind, 2);
    ASSERT_NE(c, nullptr);
    const auto ratio = [](int) {
        return 48000.0 / 44100.0;
    };
    const Converted first = convert(*c, 20, ratio);
    c->reset();
    const Converted again = convert(*c, 20, ratio);
    EXPECT_EQ(first.out, again.out);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ConverterTest,
                         ::testing::Values(Case{"Samplerate", Kind::Samplerate, -80},
                                           Case{"Soxr", Kind::Soxr, -80},
                                           Case{"Polyphase", Kind::Polyphase, -80}),
                         [](const auto& i) { return std::string(i.param.name); });

} // namespace
} // namespace kalvor::audio
