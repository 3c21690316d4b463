// The KR-2's key codes and their meaning. One byte per key; F0 hex opens a longer
// message that ends with F7 hex. Pure: the decoder turns bytes into key events, the
// remote (Kr2Remote) turns events into the show layer's operations.
//
// | Code (hex)  | Key                     | Channel page                  | Menus and lists |
// |-------------|-------------------------|-------------------------------|----------------------------|
// | 01..08      | channel key 1..8 down   | PlayButtonDown, channel of the page | (same) | | 09..10
// | channel key 1..8 up     | PlayButtonUp                  | (same)                     | | 11 |
// PRESET -                | PreviousPreset                | (same)                     | | 12 |
// PAUSE                   | GlobalPause                   | (same)                     | | 13 | RLB
// | GlobalRollback                | (same)                     | | 14          | REPEAT |
// GlobalRepeat                  | (same)                     | | 15          | MENU | function menu
// | back to the channel page   | | 16          | -                       | sound list of the cursor
// channel | previous entry / step back | | 17          | <--                     | previous page of
// eight        | browser: folders           | | 18          | UP                      | cursor to
// the channel above   | list cursor up             | | 19          | PRESET +                |
// NextPreset                    | (same)                     | | 1A          | CONTINUE |
// GlobalPlay                    | (same)                     | | 1B          | RLF | GlobalForward
// | (same)                     | | 1C          | STOP ALL                | StopChannel of every
// playing channel | (same)              | | 1D          | ENTER                   | preset list |
// carry out the line         | | 1E          | +                       | sound list of the cursor
// channel | next entry / step forward | | 1F          | -->                     | next page of
// eight            | browser: files             | | 20          | DOWN                    | cursor
// to the channel below   | list cursor down           | | 21..3C      | (reserved)              |
// nothing                       | nothing                    | | 41..60      | direct key
// channel 1..32| PressPlay of that channel     | (same)                     | | 61..78      |
// (reserved)              | nothing                       | nothing                    | | FF | all
// keys up             | PlayButtonUp of every held channel key | (same)            | | F0 'R' F7 |
// the unit was reset      | set-up and start screen again | (same)                     | | F0 'V'
// text F7 | the unit's version   | system message "KR-2: " text  | (same)                     |
//
// "Sound quick select" on: moving the sound list cursor selects (loads) the sound at
// once; off: ENTER selects it. Any other byte, and an F0 message longer than 32 bytes,
// is reported and dropped.
#pragma once

#include <QByteArray>

#include <vector>

namespace kalvor::units {

enum class Kr2Key {
    ChannelDown, // number: key 1..8
    ChannelUp,   // number: key 1..8
    DirectPlay,  // number: channel 1..32
    PresetMinus,
    Pause,
    RollBack,
    Repeat,
    Menu,
    Minus,
    Left,
    Up,
    PresetPlus,
    Continue,
    RollForward,
    StopAll,
    Enter,
    Plus,
    Right,
    Down,
    AllUp,
    UnitReset,
    UnitVersion, // text: what the unit says it is
    Reserved,    // number: the code, a key with no meaning yet
    Invalid,     // number: the byte, or text: a message that could not be read
};

struct Kr2KeyEvent {
    Kr2Key key;
    int number = 0;
    QByteArray text;
    bool operator==(const Kr2KeyEvent&) const = default;
};

// Longest F0 message body kept; a longer one is dropped with a report.
inline constexpr int kKr2MessageLimit = 32;

class Kr2KeyDecoder {
public:
    std::vector<Kr2KeyEvent> feed(const QByteArray& bytes);

    // What the peer sends for a key (without F0 messages).
    static QByteArray code(Kr2Key key, int number = 0);

private:
    void byte(unsigned char b, std::vector<Kr2KeyEvent>& out);
    void endMessage(std::vector<Kr2KeyEvent>& out);

    bool inMessage_ = false;
    bool overlong_ = false;
    QByteArray message_;
};

} // namespace kalvor::units
