// The store button in a show where no preset has been recalled yet: at start-up without a
// playlist, after "new playlist" or "remove all", the one preset in the list is selected
// but not current. What the operator sets up and stores must land in it.
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/presets/PresetEditor.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace Qt::StringLiterals;

TEST(PresetStore, TheStoreButtonWithNoPresetRecalledStoresTheSelectedOne) {
    ShowStore store;
    Settings settings{test::freshFolder(u"store"_s) + u"/Kalvor.ini"_s};
    PresetEditor editor{store, settings};
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    store.channel(0).volume = 94;
    ASSERT_TRUE(editor.NewPreset()); // start-up's empty preset
    ASSERT_TRUE(editor.NewPreset());
    store.presets().setSelected(0);
    ASSERT_EQ(store.presets().current(), -1);

    store.channel(0).volume = 61; // the first scene is set up
    editor.SaveCurrentPreset();
    EXPECT_EQ(store.presets().slot(0).channels[0].volume, 61);
    EXPECT_EQ(store.presets().slot(1).channels[0].volume, 94);
    EXPECT_EQ(store.presets().current(), 0) << "the channels now belong to it";
}
