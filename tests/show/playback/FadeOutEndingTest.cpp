// What a fade-out ends in when something other than a PLAY on the playing channel started
// it: a stop group or the release of a hold channel ends the sound for good, and the step
// after the stop (jump, autostart) starts the next sound once, whatever the restart box.
#include "support/ShowRig.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

enum class Ending { StopGroup, StopGroupDuringRestartFade, HoldRelease, PressWithJumpAndAutostart };

} // namespace

TEST(FadeOutEnding, EndsOrGoesOnAsTheCauseSays) {
    using Row = std::tuple<const char*, Ending, bool, int>;
    const Row cases[] = {
        {"a stop group ends a restart channel", Ending::StopGroup, false, 0},
        {"a stop group ends a restart channel already fading out to start again",
         Ending::StopGroupDuringRestartFade, false, 0},
        {"releasing a hold channel ends it, restart or not", Ending::HoldRelease, false, 0},
        {"jump and autostart start the next sound, and leave it playing",
         Ending::PressWithJumpAndAutostart, true, 1},
    };
    for (const auto& [label, ending, playingAfter, selectedAfter] : cases) {
        ShowRig rig;
        rig.loadChannel(0, {rig.tone(u"a"_s, 5.0), rig.tone(u"b"_s, 5.0)});
        rig.loadChannel(1, {rig.tone(u"c"_s, 5.0)});
        rig.store.channel(0).pan = -100;
        rig.store.channel(1).pan = 100;
        rig.store.channel(0).fadeOut = {300, true, 2};
        ChannelControls& k = rig.store.controls(0);
        k.restartMode = 1;
        k.holdMode = ending == Ending::HoldRelease ? 1 : 0;
        k.jumpMode = k.autostart = ending == Ending::PressWithJumpAndAutostart ? 1 : 0;
        k.stopGroup = rig.store.controls(1).stopGroup = u"1"_s;
        auto& play = rig.show->playback();
        play.PlayButtonDown(0);
        rig.renderMs(100);
        switch (ending) {
        case Ending::StopGroup:
            play.PlayButtonDown(1);
            break;
        case Ending::StopGroupDuringRestartFade:
            play.PlayButtonDown(0);
            rig.renderMs(50);
            play.PlayButtonDown(1);
            break;
        case Ending::HoldRelease:
            play.PlayButtonUp(0);
            break;
        case Ending::PressWithJumpAndAutostart:
            play.PlayButtonUp(0);
            play.PlayButtonDown(0);
            break;
        }
        // The fade-out and whatever follows its end.
        for (int i = 0; i < 20; ++i)
            rig.renderMs(50);
        const Block after = rig.renderMs(50);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), playingAfter) << label;
        EXPECT_EQ(after.peak(0) > 0.4, playingAfter) << label;
        EXPECT_EQ(play.buttonColour(0), playingAfter ? ButtonColour::On : ButtonColour::Off)
            << label;
        EXPECT_EQ(rig.store.controls(0).selectedSound, selectedAfter) << label;
    }
}
