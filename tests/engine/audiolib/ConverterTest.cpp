// Every converter behind the engine's interface, fed the way the mixer feeds it, and the
// engine's own across its whole ratio range; what a converted stream reads from its feed,
// period by period (every frame read goes through the stream's effects in that same
// period, so a start that reads a margin of hundreds of frames costs several periods'
// worth of effects at once, and 32 of them, a recall, made the heaviest period of a soak);
// and rates far apart.
#include "TestMedia.h"
#include "engine/audiolib/RateConverter.h"
#include "engine/audiolib/Stream.h"
#include "support/OfflineHarness.h"
#include "support/SineFit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

// A vari-speed move on a sound playing at the device's rate switches the converter in mid-
// sound: it is primed with the frames just played, and only then reads on.
TEST(AudioLibConverterRead, EachPeriodReadsWhatItsOutputNeedsAndTheFiltersReach) {
    constexpr int kRate = 48000, kPeriods = 12, kDirectPeriods = 5;
    constexpr std::int64_t kSoundFrames = 4000; // decoded whole into its feed before the play
    using enum RateConverter::Kind;
    // source rate, period, converter (libsoxr gives nothing for a starting stream's first
    // period whatever it is fed, so it is fed all there is), speed moved to after
    // kDirectPeriods periods at the device's rate (0: converted from the start)
    using Row = std::tuple<int, int, RateConverter::Kind, int>;
    const Row rows[] = {
        {44100, 128, Polyphase, 0}, // the soak's case
        {44100, 64, Polyphase, 0},      {44100, 128, Samplerate, 0},
        {22050, 256, Polyphase, 0}, // up-sampling by two
        {96000, 128, Polyphase, 0}, // down-sampling: the filter stretches to twice its reach
        {48000, 128, Polyphase, 44100}, {48000, 128, Polyphase, 72000},
    };
    for (const auto& [sourceRate, period, kind, freq] : rows) {
        SCOPED_TRACE(testing::Message() << sourceRate << " Hz, " << period << " frames, kind "
                                        << int(kind) << ", moved to " << freq);
        const QString tone = testmedia::makeTone(mediaFolder(), u"read%1.wav"_s.arg(sourceRate),
                                                 testmedia::Format::Wav16, sourceRate, 2,
                                                 double(kSoundFrames) / sourceRate, 440, -6);
        Offline off(kRate);
        off.lib.reset();
        off.lib = std::make_unique<AudioLib>(AudioLibOptions{
            .backend = off.backend, .openDecoder = wavDecoderFactory(), .converter = kind});
        off.window.lib = off.lib.get();
        ASSERT_TRUE(off.lib->init(1, kRate, flags::Latency, &off.window));
        const Handle h = off.lib->streamCreateFile(tone, 0);
        ASSERT_NE(h, 0u);
        ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames);
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        const int direct = freq > 0 ? kDirectPeriods * period : 0;
        if (freq > 0) {
            off.render(direct, period);
            ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames - direct);
            ASSERT_TRUE(off.lib->channelSetAttributes(h, freq, -1, -101));
        }
        // Source frames a period's output stands for, and the filter's 32 zero crossings
        // beyond the last of them (stretched by the down-sampling factor).
        const double step = double(freq > 0 ? freq : sourceRate) / kRate;
        const auto perPeriod = static_cast<std::int64_t>(std::ceil(period * step));
        const auto reach = static_cast<std::int64_t>(std::ceil(32 * std::max(step, 1.0))) + 2;
        std::int64_t taken = direct;
        for (int p = 0; p < kPeriods; ++p) {
            off.render(period, period);
            const std::int64_t now = kSoundFrames - off.lib->channelBufferedFrames(h);
            const std::int64_t read = now - taken;
            taken = now;
            SCOPED_TRACE(testing::Message() << "period " << p);
            EXPECT_GE(taken - direct, static_cast<std::int64_t>((p + 1) * period * step))
                << "behind its output";
            // libsamplerate takes its input in chunks of its own: only its start is held
            // to the reach any converter is given.
            const std::int64_t bound = p > 0               ? perPeriod + 1
                                       : kind == Polyphase ? perPeriod + reach
                                                           : perPeriod + kConverterReachFrames;
            if (kind == Polyphase || p == 0) {
                EXPECT_LE(read, bound);
            }
        }
        EXPECT_EQ(off.lib->underruns(), 0);
    }
}

long minorFaults() {
    rusage r{};
    getrusage(RUSAGE_THREAD, &r);
    return r.ru_minflt;
}

// A page of memory first written in the callback is a page fault there: the kernel finds
// and clears a page while the period waits. A converted stream's memory is all touched when
// it is made, on the UI thread, so its first periods fault no more than its hundredth.
TEST(AudioLibConverterRead, AConvertedStreamTakesNoPageFaultInTheCallback) {
    constexpr int kRate = 48000, kPeriod = 128, kPeriods = 30;
    constexpr std::int64_t kSoundFrames = 4000;
    const QString tone =
        testmedia::makeTone(mediaFolder(), u"faults.wav"_s, testmedia::Format::Wav16, 44100, 2,
                            double(kSoundFrames) / 44100, 440, -6);
    Offline off(kRate);
    std::vector<float> out(kPeriod * 2, 1.0f);
    // A first stream runs the code once (its pages load on first use) and stays, so the
    // second gets memory of its own rather than the first one's.
    const Handle first = off.lib->streamCreateFile(tone, 0);
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(off.lib->channelPlay(first, true));
    for (int p = 0; p < kPeriods; ++p)
        ASSERT_TRUE(off.lib->renderOffline(out.data(), kPeriod));
    ASSERT_TRUE(off.lib->channelPause(first));
    ASSERT_TRUE(off.lib->renderOffline(out.data(), kPeriod));

    const Handle h = off.lib->streamCreateFile(tone, 0);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames); // no decoding while rendering
    // Played from its first feed: a restart would free that feed while rendering, and the
    // allocator's own pages would count.
    ASSERT_TRUE(off.lib->channelPlay(h, false));
    const long before = minorFaults();
    for (int p = 0; p < kPeriods; ++p)
        ASSERT_TRUE(off.lib->renderOffline(out.data(), kPeriod));
    EXPECT_EQ(minorFaults() - before, 0);
    EXPECT_EQ(off.lib->underruns(), 0);
}

// Rates far apart: a low-rate file (telephone, 8 or 11.025 kHz) on a device at 96 or
// 192 kHz, slowed by vari-speed, needs a conversion ratio of 20 to 50. The sound must
// still play at the speed asked for: the tone at its pitch, the position at its place.
TEST(AudioLibExtremeRatio, aLowRateFileOnAFastDevicePlaysAtTheSpeedAsked) {
    constexpr double kToneHz = 300;
    constexpr double kSeconds = 0.5;
    // file rate, device rate, playback frequency (file rate x vari-speed)
    using Row = std::tuple<int, int, int>;
    const Row rows[] = {
        {44100, 48000, 22050}, // well inside the range: the comparison's yardstick
        {8000, 96000, 8000},   // 12
        {8000, 192000, 8000},  // 24
        {8000, 96000, 4000},   // 24: -50 %
        {11025, 192000, 5513}, // 34.8
        {8000, 192000, 4000},  // 48
    };
    for (const auto& [fileRate, deviceRate, freq] : rows) {
        SCOPED_TRACE(testing::Message() << fileRate << " Hz file at " << freq << " Hz on a "
                                        << deviceRate << " Hz device");
        const QString tone =
            testmedia::makeTone(mediaFolder(), u"low%1.wav"_s.arg(fileRate),
                                testmedia::Format::Wav16, fileRate, 1, kSeconds, kToneHz, -6);
        Offline off(deviceRate);
        const Handle h = off.lib->streamCreateFile(tone, 0);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, freq, -1, -101));
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        const double speed = double(freq) / fileRate;
        // A tenth of the sound's playing time, past the converter's start.
        const auto span = static_cast<std::int64_t>(kSeconds / speed * deviceRate / 10);
        off.render(span);
        const Render heard = off.render(span);
        const double cycles = kToneHz * speed / deviceRate;
        EXPECT_LT(kalvor::test::thdPlusNoiseDb(heard.samples.data(), std::size_t(heard.frames()), 2,
                                               cycles),
                  -30.0);
        const double expectedFrame = 2.0 * double(span) * freq / deviceRate;
        const double frame = double(off.lib->channelGetPosition(h)) / 2; // mono, 16-bit
        EXPECT_NEAR(frame, expectedFrame, 0.02 * expectedFrame);
    }
}

// Fed the way the mixer feeds it: blocks of input topped up, blocks of output pulled, the
// ratio set between blocks, the end of input flagged.
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
} // namespace kalvor::audio::test
