// What a converted stream reads from its feed, period by period. Every frame read goes
// through the stream's effects in that same period, so a start that reads a margin of
// hundreds of frames costs several periods' worth of effects at once, and 32 of them (a
// recall) made the heaviest period of a soak.
#include "TestMedia.h"
#include "engine/audiolib/RateConverter.h"
#include "engine/audiolib/Stream.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
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

} // namespace
} // namespace kalvor::audio::test
