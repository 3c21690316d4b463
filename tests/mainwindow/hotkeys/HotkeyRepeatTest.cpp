// A key held a little too long: the keyboard repeats its press. A key that recalls a preset,
// switches something over or opens a window acts once per press.
#include "core/Settings.h"
#include "mainwindow/Hotkeys.h"
#include "support/ShowRig.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(HotkeyRepeat, RepeatedPressesOfOneShotKeysDoNothingMore) {
    const int ctrl = keymod::Ctrl, ctrlAlt = keymod::Ctrl | keymod::Alt;
    const struct {
        const char* label;
        KeyStroke stroke;
    } cases[] = {
        {"Return recalls once", {vk::Return, 0}},
        {"'+' steps to the next preset once", {vk::Plus, 0}},
        {"keypad '-' steps back once", {vk::KeypadMinus, 0}},
        {"Ctrl+Alt+B steps back once", {vk::A + ('B' - 'A'), ctrlAlt}},
        {"Ctrl+L switches the logging once", {vk::A + ('L' - 'A'), ctrl}},
        {"Ctrl+Alt+P shows the touch view once", {vk::A + ('P' - 'A'), ctrlAlt}},
        {"'<' opens the black screen once", {vk::Less, 0}},
        {"Page Down loads the next playlist once", {vk::PageDown, 0}},
    };
    for (const auto& c : cases) {
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
        hooks.openBlackScreen = count;
        hooks.loggingToggled = count;
        hooks.playlistStep = count;
        QObject::connect(&rig.show->recall(), &PresetRecall::recallFinished, count);
        HotkeyDecoder keys(*rig.show, *rig.settings, hooks);
        keys.keyDown(c.stroke);
        EXPECT_EQ(acted, 1) << c.label;
        for (int i = 0; i < 3; ++i)
            keys.keyDown(c.stroke, true);
        EXPECT_EQ(acted, 1) << c.label;
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
