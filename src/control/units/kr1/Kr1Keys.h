// The KR-1's key codes as actions, without I/O: one received byte is one key code.
//
// Normal mode (the unit's keypad as labelled):
//   1..8    channel key 1..8 pressed        9..16  channel key 1..8 released
//   17 PRESET -   18 PAUSE   19 RLB   20 REPEAT   21 MENU   22 -   23 <--   24 UP
//   25 PRESET +   26 CONTINUE   27 RLF   28 STOP ALL   29 ENTER   30 +   31 -->   32 DOWN
//   The pairs 22/30, 23/31 and 24/32 are one operation each, the direction from the code.
//   Any other code does nothing.
//
// Hotkey mode ("HOTKEY Mode ON", on the channel page only: menus and lists keep the
// normal keys so they can be worked). The unit's keys become one PLAY key per channel,
// numbered as the channels, whatever page is shown:
//   1..8       channel 1..8 pressed (held until its release)
//   9..16      channel 1..8 released (these stay releases, as in normal mode)
//   17..32     PLAY of channel 17..32, one press (no release comes for these)
//   209..232   PLAY of channel 9..32 (code - 200), one press: the unit's second bank
//   109        MENU: the main menu, the one way out of the hotkey page
//   anything else does nothing.
#pragma once

#include <QByteArray>

#include <vector>

namespace kalvor::kr1 {

enum class KeyAction {
    None,
    ChannelPress,   // `value`: key 0..7 (normal mode: of the page; hotkey mode: channel)
    ChannelRelease, // `value`: key 0..7
    ChannelTap,     // `value`: channel 0..31, a press without release
    PreviousPreset,
    NextPreset,
    Pause,
    RollBack,
    Repeat,
    Continue,
    RollForward,
    StopAll,
    Menu,
    Step,   // `value`: -1 ("-") or +1 ("+")
    Move,   // `value`: -1 ("<--") or +1 ("-->")
    Cursor, // `value`: -1 (UP) or +1 (DOWN)
    Enter,
};

struct Key {
    KeyAction action = KeyAction::None;
    int value = 0;
    int code = 0;
    bool operator==(const Key&) const = default;
};

// `hotkeys`: hotkey mode is on and the channel page is shown.
Key decodeKey(int code, bool hotkeys);
// Every byte of a read, in order.
std::vector<Key> decodeKeys(const QByteArray& bytes, bool hotkeys);

} // namespace kalvor::kr1
