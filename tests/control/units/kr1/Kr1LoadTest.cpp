// KR-1 channel keys whose release is not acted on: let go while a show loads (its boxes
// let events run, and keys that come in then are dropped), or never to come because the
// unit went away.
#include "TestUnitPort.h"
#include "support/ShowRig.h"

#include "control/units/kr1/Kr1Remote.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(Kr1Load, ChannelKeyReleasedDuringALoadPlaysAgainAfterIt) {
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
TEST(Kr1Load, HeldChannelIsReleasedWhenTheUnitGoesAway) {
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
