// The handling of the library's notifications: which reach the channel, which are
// dropped, and what the end of a sound does with and without loop.
#include "TestMedia.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(KaeDispatcher, OnlyCurrentStreamsOfPlaybackChannelsAreHandled) {
    KaeRig rig;
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(4000)));
    ASSERT_TRUE(KAE__Channel_Load_Sound(32, rampFile(4000)));
    const audio::Handle stale = rig.kae->slot(0).stream;
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(4000))); // reloaded: a new stream
    const audio::Handle current = rig.kae->slot(0).stream;
    const audio::Handle preview = rig.kae->slot(32).stream;
    ASSERT_NE(stale, current);

    using Row = std::tuple<const char*, int, int, audio::Handle, bool, bool>;
    const Row cases[] = {
        {"current stream", 1025, 0, current, true, true},
        {"freed or reloaded stream", 1025, 0, stale, true, false},
        {"preview channel", 1025, 32, preview, true, false},
        {"no stream", 1025, 5, 0, true, false},
        {"slot outside the engine", 1025, 40, current, true, false},
        {"after shut-down", 1025, 0, current, false, false},
        {"unknown message", 1030, 0, current, true, false},
    };
    for (const auto& [what, message, slot, stream, subscribed, handled] : cases) {
        SCOPED_TRACE(what);
        rig.kae->dispatcher().setSubscribed(subscribed);
        QSignalSpy ended(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound);
        QSignalSpy dropped(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::messageDropped);
        audio::EngineMessageEvent event(message, slot, stream);
        QCoreApplication::sendEvent(&rig.kae->dispatcher(), &event);
        EXPECT_EQ(ended.count(), handled ? 1 : 0);
        EXPECT_EQ(dropped.count(), handled ? 0 : 1);
    }
}

TEST(KaeDispatcher, EndOfSoundCancelsARunningFadeUnlessLooping) {
    for (const bool loop : {false, true}) {
        KaeRig rig;
        Channel& ch = rig.store.channel(0);
        ch.volume = 90;
        ch.fadeOut = FadeSettings{4000, true, 2};
        rig.store.controls(0).loopMode = loop ? 1 : 0;
        ASSERT_TRUE(loadAndApply(0, rampFile(4000)));
        QSignalSpy ended(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound);
        ASSERT_TRUE(KAE__Channel_Play(0, true, loop));
        ASSERT_TRUE(KAE__Channel_StartFadeOut(0)); // 1000 ms segments: longer than the sound
        rig.render(4000 + 512);
        EXPECT_EQ(ended.count(), loop ? 0 : 1);
        EXPECT_EQ(rig.kae->slot(0).fadeOutSync == 0, !loop);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), loop);
    }
}
