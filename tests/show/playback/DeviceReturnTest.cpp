// An output that went away mid-show and came back: the channel that played on it stopped,
// nothing sounds by itself when the output returns, and the next GO plays the channel.
#include "support/ShowRig.h"
#include "support/WaitFor.h"

#include "core/SystemMessages.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(DeviceReturn, AGoAfterTheOutputCameBackPlaysTheChannel) {
    ShowRig rig;
    SystemMessages::instance().setShowAudioMessages(true);
    SystemMessages::instance().clear();
    rig.loadChannel(0, {rig.ramp(u"ramp"_s, 3.0)});
    ChannelPlayback& play = rig.show->playback();
    play.PressPlay(0);
    rig.renderMs(100);
    rig.backend->unplug(u"offline"_s);
    rig.renderMs(10);
    EXPECT_TRUE(KAE__Channel_IsStopped(0));
    play.PressPlay(0); // a GO while it is away plays nothing and harms nothing
    EXPECT_TRUE(rig.renderMs(10).silent());

    rig.backend->plugBackIn(u"offline"_s);
    const auto back = [] {
        return SystemMessages::instance().entries().filter(u"Output device back: Offline"_s).size();
    };
    EXPECT_TRUE(waitFor([&] { return back() > 0; }, 10000));
    EXPECT_EQ(back(), 1);
    EXPECT_TRUE(rig.renderMs(100).silent()) << "nothing plays by itself";
    play.PressPlay(0);
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
    const Block b = rig.renderMs(100);
    EXPECT_GT(b.peak(0), 0.0);
    int steps = 0; // the ramp's frames one after another: the sound itself
    for (std::int64_t f = 1000; f < 1100; ++f)
        steps += rampFrame(b.left(f)) == (rampFrame(b.left(f - 1)) + 1) % 65536;
    EXPECT_EQ(steps, 100);
    SystemMessages::instance().setShowAudioMessages(false);
}
