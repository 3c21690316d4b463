// KR-1 keys against the show's state, without the wire: channel keys whose release is not
// acted on (let go while a show loads, whose boxes let events run and drop keys, or never
// to come because the unit went away), and STOP ALL while the PLAY buttons flash.
#include "TestUnitPort.h"
#include "support/ShowRig.h"

#include "control/units/kr1/Kr1Remote.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(Kr1Keys, ChannelKeyReleasedDuringALoadPlaysAgainAfterIt) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(QStringLiteral("a"), 5.0), rig.folder + "/gone.wav"});
    rig.addPresets(1);
    const QString path = rig.folder + "/show.kal";
    ASSERT_EQ(rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);
    // The missing sound brings up a box while the file is read.
    rig.settings->setInteger(u"DisplayLoadFailed", 1);

    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.initialise();
    kr1.received("\x01"); // channel key 1 down
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    bool asked = false;
    rig.dialogs.onBox = [&](const RecordedBox&) {
        if (!std::exchange(asked, true))
            kr1.received("\x09"); // and up, while the box is shown
    };
    ASSERT_EQ(rig.show->LoadPlaylist(path).outcome, playlist::LoadOutcome::Loaded);
    ASSERT_TRUE(asked) << "the load showed no box";
    ASSERT_FALSE(KAE__Channel_IsPlaying(0));

    kr1.received("\x01");
    EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << "the press after the load was taken as a repeat";
}

// The line goes away (adapter pulled, another mode chosen) while a channel key holds a
// hold-mode channel: its release can never come, so the channel is let go then, as the
// key's release would have done.
TEST(Kr1Keys, HeldChannelIsReleasedWhenTheUnitGoesAway) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(QStringLiteral("a"), 5.0)});
    rig.store.controls(0).holdMode = 1;
    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.initialise();
    kr1.received("\x01");
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    kr1.deactivate();
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
}

// With "PLAY color flashes" (the default) a playing channel's button is dark for most of
// the flash cycle; STOP ALL stops it whatever colour it shows.
TEST(Kr1Keys, StopAllStopsChannelsInTheDarkPhaseOfTheirFlash) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(QStringLiteral("a"), 5.0)});
    rig.settings->setInteger(u"FlashStatePlay", 1);
    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.initialise();
    rig.show->playback().PlayButtonDown(0);
    for (int tick = 0; tick < 2; ++tick)
        rig.show->playback().tickButtonColours();
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    ASSERT_EQ(rig.show->playback().buttonColour(0), ButtonColour::Off);
    kr1.received(QByteArray(1, char(28))); // STOP ALL
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
}
