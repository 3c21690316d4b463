// A looping channel with a start offset goes round to the same place a seek to that offset
// reaches, in either bit resolution: the offset is in the engine's sample frames, which
// the library's positions for float streams do not count alike.
#include "support/KaeRig.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(KaeLoopOffset, TheWrapLandsWhereASeekToTheOffsetLands) {
    constexpr std::int64_t kFrames = 8000;
    constexpr int kAfterWrap = 500;
    for (const QString& bits : {u"16"_s, u"32"_s}) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(("BitResolution " + bits + ", channels " + QString::number(channels))
                             .toStdString());
            KaeRig rig({{}, {{u"BitResolution"_s, bits}}});
            ASSERT_TRUE(loadAndApply(0, rampFile(kFrames, channels)));
            // Half way, in the engine's own frames (what the capture of a start offset reads).
            const std::int64_t offset = KAE__Channel_GetLengthInSamples(0) / 2;
            rig.store.assignments(0).startOffset = static_cast<std::int32_t>(offset);
            rig.store.controls(0).loopMode = 1;
            ASSERT_TRUE(KAE__Channel_SetPositionInSamples(0, offset));
            const std::int64_t seekLanded = KAE__Channel_GetPositionInSamples(0);
            ASSERT_TRUE(KAE__Channel_Play(0, false, true));
            // Through the end and kAfterWrap frames into the second time round.
            rig.render(kFrames - kFrames / 2 + kAfterWrap);
            const std::int64_t step = KAE__Channel_GetLengthInSamples(0) / kFrames;
            EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), seekLanded + kAfterWrap * step);
        }
    }
}
