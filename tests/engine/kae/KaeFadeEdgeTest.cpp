// Fades at their edges: segments too short to last a millisecond, and a fade taken along
// at the very level one of its segments ends on. Every segment end must still reach the
// UI, or a fade-out never stops its channel.
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

constexpr int kRate = 44100;

} // namespace

TEST(KaeFadeEdges, SegmentsShorterThanAMillisecondStillPostEveryMessage) {
    // Fade times below 2 ms give segments of 0 ms; a damaged playlist may hold a negative
    // time, which must not leave a fade-in silent nor a fade-out without its end.
    using Row = std::tuple<bool, int>;
    const Row cases[] = {{true, 0},  {false, 0},    {true, 1},  {false, 1},
                         {false, 2}, {true, -1000}, {false, -4}};
    for (const auto& [in, timeMs] : cases) {
        SCOPED_TRACE(std::string(in ? "fade-in " : "fade-out ") + std::to_string(timeMs) + " ms");
        KaeRig rig;
        Channel& ch = rig.store.channel(2);
        ch.volume = 94;
        (in ? ch.fadeIn : ch.fadeOut) = FadeSettings{timeMs, true, 2};
        ASSERT_TRUE(loadAndApply(2, levelFile(1.0)));
        QSignalSpy finished(&rig.kae->dispatcher(),
                            in ? &engine::KaeMessageDispatcher::fadeInFinished
                               : &engine::KaeMessageDispatcher::fadeOutFinished);
        ASSERT_TRUE(KAE__Channel_Play(2, true, false));
        ASSERT_TRUE(in ? KAE__Channel_StartFadeIn(2) : KAE__Channel_StartFadeOut(2));
        const Rendered out = rig.render(kRate / 10, 64);
        EXPECT_EQ(rig.log.entries.size(), 4u) << "one message per segment";
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(in ? rig.kae->slot(2).fadeInStep : rig.kae->slot(2).fadeOutStep, 5);
        EXPECT_FALSE(KAE__Channel_IsVolumeSliding(2));
        EXPECT_NEAR(out.at(out.frames() - 1, 0), in ? 0.5 * std::pow(10.0, -6 / 20.0) : 0.0, 1e-4);
    }
}
