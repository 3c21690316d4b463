// What a converted stream reads from its feed, period by period. Every frame read goes
// through the stream's effects in that same period, so a start that reads a margin of
// hundreds of frames costs several periods' worth of effects at once, and 32 of them (a
// recall) made the heaviest period of a soak.
#include "TestMedia.h"
#include "engine/audiolib/RateConverter.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

TEST(AudioLibConverterRead, EachPeriodReadsWhatItsOutputNeedsAndTheFiltersReach) {
    constexpr int kRate = 48000;
    constexpr std::int64_t kSoundFrames = 4000; // decoded whole into its feed before the play
    constexpr int kPeriods = 12;
    struct Row {
        int sourceRate;
        int period;
    };
    const Row rows[] = {
        {44100, 128}, // the soak's case
        {44100, 64},
        {22050, 256}, // up-sampling by two
        {96000, 128}, // down-sampling: the filter stretches to twice its reach
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.sourceRate << " Hz, " << row.period << " frames");
        const QString tone = testmedia::makeTone(mediaFolder(), u"read%1.wav"_s.arg(row.sourceRate),
                                                 testmedia::Format::Wav16, row.sourceRate, 2,
                                                 double(kSoundFrames) / row.sourceRate, 440, -6);
        Offline off(kRate);
        const Handle h = off.lib->streamCreateFile(tone, 0);
        ASSERT_NE(h, 0u);
        ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames);
        ASSERT_TRUE(off.lib->channelPlay(h, true));

        // Source frames a period's output stands for, and the filter's 32 zero crossings
        // beyond the last of them (stretched by the down-sampling factor).
        const double step = double(row.sourceRate) / kRate;
        const auto perPeriod = static_cast<std::int64_t>(std::ceil(row.period * step));
        const auto reach = static_cast<std::int64_t>(std::ceil(32 * std::max(step, 1.0))) + 2;
        std::int64_t taken = 0;
        for (int p = 0; p < kPeriods; ++p) {
            off.render(row.period, row.period);
            const std::int64_t now = kSoundFrames - off.lib->channelBufferedFrames(h);
            const std::int64_t read = now - taken;
            taken = now;
            SCOPED_TRACE(testing::Message() << "period " << p);
            EXPECT_GE(taken, static_cast<std::int64_t>((p + 1) * row.period * step))
                << "behind its output";
            EXPECT_LE(read, p == 0 ? perPeriod + reach : perPeriod + 1);
        }
        EXPECT_EQ(off.lib->underruns(), 0);
    }
}

// A vari-speed move on a sound playing at the device's rate switches the converter in mid-
// sound: it is primed with the frames just played, and only then reads on.
TEST(AudioLibConverterRead, AVariSpeedMoveMidSoundReadsWhatItsPeriodNeeds) {
    constexpr int kRate = 48000, kPeriod = 128, kDirectPeriods = 5, kAfter = 8;
    constexpr std::int64_t kSoundFrames = 4000;
    const QString tone =
        testmedia::makeTone(mediaFolder(), u"speed.wav"_s, testmedia::Format::Wav16, kRate, 2,
                            double(kSoundFrames) / kRate, 440, -6);
    for (const int freq : {44100, 72000}) { // slower, and faster (the filter's reach grows)
        SCOPED_TRACE(freq);
        Offline off(kRate);
        const Handle h = off.lib->streamCreateFile(tone, 0);
        ASSERT_NE(h, 0u);
        ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames);
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        off.render(kDirectPeriods * kPeriod, kPeriod);
        ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames - kDirectPeriods * kPeriod);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, freq, -1, -101));

        const double step = double(freq) / kRate;
        const auto perPeriod = static_cast<std::int64_t>(std::ceil(kPeriod * step));
        const auto reach = static_cast<std::int64_t>(std::ceil(32 * std::max(step, 1.0))) + 2;
        std::int64_t taken = kDirectPeriods * kPeriod;
        for (int p = 0; p < kAfter; ++p) {
            off.render(kPeriod, kPeriod);
            const std::int64_t now = kSoundFrames - off.lib->channelBufferedFrames(h);
            SCOPED_TRACE(testing::Message() << "period " << p << " after the move");
            EXPECT_LE(now - taken, p == 0 ? perPeriod + reach : perPeriod + 1);
            taken = now;
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
