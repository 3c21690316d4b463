// A key held a little too long: the keyboard repeats its press. Keys that step (the preset
// keys) may go on stepping; a key that recalls, switches something over or opens a window
// acts once per press.
#include "core/Settings.h"
#include "mainwindow/Hotkeys.h"
#include "support/ShowRig.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(HotkeyRepeat, RepeatedPressesOfOneShotKeysDoNothingMore) {
    struct Case {
        const char* label;
        KeyStroke stroke;
        int repeatsAct; // how many of three repeats act again
    };
    const int ctrl = keymod::Ctrl, ctrlAlt = keymod::Ctrl | keymod::Alt;
    const Case cases[] = {
        {"Return recalls once", {vk::Return, 0}, 0},
        {"Ctrl+L switches the logging once", {vk::A + ('L' - 'A'), ctrl}, 0},
        {"Ctrl+Alt+P shows the touch view once", {vk::A + ('P' - 'A'), ctrlAlt}, 0},
        {"Ctrl+Z opens the messages once", {vk::A + ('Z' - 'A'), ctrl}, 0},
        {"'<' opens the black screen once", {vk::Less, 0}, 0},
        {"'+' goes on stepping", {vk::Plus, 0}, 3},
        {"Ctrl+Alt+B goes on stepping", {vk::A + ('B' - 'A'), ctrlAlt}, 3},
    };
    for (const Case& c : cases) {
        ShowRig rig;
        rig.addPresets(12);
        rig.store.presets().setSelected(6);
        int acted = 0;
        const auto count = [&acted](auto...) {
            ++acted;
            return true;
        };
        HotkeyHooks hooks;
        hooks.toggleTouchscreen = count;
        hooks.showSystemMessages = count;
        hooks.openBlackScreen = count;
        hooks.loggingToggled = count;
        QObject::connect(&rig.show->recall(), &PresetRecall::recallFinished, count);
        HotkeyDecoder keys(*rig.show, *rig.settings, hooks);
        const bool loggingBefore = rig.settings->isOn(u"Logging");
        keys.keyDown(c.stroke);
        const int first = acted;
        EXPECT_GE(first, 1) << c.label;
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(keys.keyDown(c.stroke, true)) << c.label << ": the repeat is kept";
        EXPECT_EQ(acted - first, c.repeatsAct * first) << c.label;
        if (c.stroke.modifiers == ctrl && c.stroke.key == vk::A + ('L' - 'A')) {
            EXPECT_NE(rig.settings->isOn(u"Logging"), loggingBefore) << c.label;
        }
    }
}

TEST(HotkeyRepeat, AHeldKeypadDigitIsNoTwoKeyEntry) {
    ShowRig rig;
    rig.store.selectChannel(0);
    HotkeyDecoder keys(*rig.show, *rig.settings, {});
    const KeyStroke one{vk::Keypad0 + 1, keymod::Ctrl};
    keys.keyDown(one);
    keys.keyDown(one, true);
    EXPECT_EQ(rig.store.selectedChannel(), 0) << "held keypad 1 is not 1 then 1 (channel 11)";
    keys.keyDown({vk::Keypad0 + 2, keymod::Ctrl});
    EXPECT_EQ(rig.store.selectedChannel(), 11) << "the next digit completes the entry";
}
