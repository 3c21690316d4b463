// The channel operations every input path calls: each takes the ends of its range and
// refuses the first value past them without touching the channel or the engine.
#include "support/ShowRig.h"

#include "core/SystemMessages.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(Operations, RangesEndWhereTheirEndsAre) {
    ShowRig rig;
    rig.loadChannel(0, {rig.ramp(u"two seconds"_s, 2.0)});
    ChannelOperations& ops = rig.show->channelOps();
    const struct {
        const char* what;
        std::function<bool()> call;
        bool accepted;
    } cases[] = {
        {"volume 100", [&] { return ops.SetVolume(0, 100); }, true},
        {"volume 101", [&] { return ops.SetVolume(0, 101); }, false},
        {"pan -100", [&] { return ops.SetPan(0, -100); }, true},
        {"pan -101", [&] { return ops.SetPan(0, -101); }, false},
        {"speed -50 %", [&] { return ops.SetVariSpeed(0, kVariSpeedMin); }, true},
        {"speed +50 %", [&] { return ops.SetVariSpeed(0, kVariSpeedMax); }, true},
        {"speed +51 %", [&] { return ops.SetVariSpeed(0, kVariSpeedMax + 1); }, false},
        {"the last frame", [&] { return ops.SeekSeconds(0, (2 * kRate - 1) / double(kRate)); },
         true},
        {"the end itself", [&] { return ops.SeekSeconds(0, 2.0); }, false},
        {"group 8", [&] { return ops.SetGroup(0, true, 8); }, true},
        {"group 9", [&] { return ops.SetGroup(0, true, 9); }, false},
    };
    SystemMessages::instance().setShowAudioMessages(true);
    for (const auto& c : cases) {
        SystemMessages::instance().clear();
        EXPECT_EQ(c.call(), c.accepted) << c.what;
        // A refused value never reaches the engine, which would report it as an error.
        EXPECT_TRUE(SystemMessages::instance().entries().filter(u"Error"_s).isEmpty()) << c.what;
    }
    SystemMessages::instance().setShowAudioMessages(false);
    EXPECT_EQ(rig.store.channel(0).variSpeed, kVariSpeedMax);
    EXPECT_EQ(rig.store.channel(0).volume, 100);
    EXPECT_EQ(rig.store.controls(0).playGroup, u"8"_s);
}
