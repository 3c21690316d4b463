// A sound that ends while the UI thread is busy: its end message waits in the event queue
// while the operator starts the channel again, seeks it or loads it anew. A start that
// came after the end must not be stopped by the old end, and the channel learns of each
// run's end once at most.
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(KaeEndRace, AnEndHeldBackTillAfterANewStartDoesNotStopIt) {
    enum class Then { Nothing, Play, Restart, Seek, Reload, PlayToItsEnd };
    // What the operator does after the end and before its message is handled; how many
    // end messages reach the channel; whether it plays afterwards.
    using Row = std::tuple<const char*, Then, int, bool>;
    const Row cases[] = {
        {"nothing", Then::Nothing, 1, false},
        {"play again", Then::Play, 0, true},
        {"restart", Then::Restart, 0, true},
        {"seek without playing", Then::Seek, 1, false},
        {"load anew and play", Then::Reload, 0, true},
        {"play again to its end", Then::PlayToItsEnd, 1, false},
    };
    constexpr int kFrames = 4000;
    for (const auto& [what, then, ends, playing] : cases) {
        SCOPED_TRACE(what);
        KaeRig rig;
        ASSERT_TRUE(loadAndApply(0, rampFile(kFrames)));
        QSignalSpy ended(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound);
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        rig.log.hold = true;
        rig.render(kFrames + 512);
        ASSERT_EQ(rig.log.held.size(), 1u) << "the end was raised and is waiting";
        switch (then) {
        case Then::Nothing:
            break;
        case Then::Play:
        case Then::PlayToItsEnd:
            ASSERT_TRUE(KAE__Channel_Play(0, false, false));
            break;
        case Then::Restart:
            ASSERT_TRUE(KAE__Channel_Play(0, true, false));
            break;
        case Then::Seek:
            ASSERT_TRUE(KAE__Channel_SetPositionInSamples(0, 1000));
            break;
        case Then::Reload:
            ASSERT_TRUE(loadAndApply(0, rampFile(kFrames)));
            ASSERT_TRUE(KAE__Channel_Play(0, true, false));
            break;
        }
        rig.render(256);
        if (then == Then::PlayToItsEnd)
            rig.render(kFrames + 512);
        rig.log.release(rig.kae->dispatcher());
        EXPECT_EQ(ended.count(), ends);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), playing);
    }
}
