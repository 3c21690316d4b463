// What a converted stream reads from its feed, period by period. Every frame read goes
// through the stream's effects in that same period, so a start that reads a margin of
// hundreds of frames costs several periods' worth of effects at once, and 32 of them (a
// recall) made the heaviest period of a soak.
#include "TestMedia.h"
#include "engine/audiolib/RateConverter.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

} // namespace
} // namespace kalvor::audio::test
