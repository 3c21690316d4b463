// The KR-1's wire format, both directions, without I/O: command framing, the character
// mapping of texts, and the key codes the unit sends (one byte per key).
//
// Framing: every command is its text and CR. The font commands "F font,size", the
// contrast command "M value", the "Y n" commands and the one-letter commands "E" and "G"
// go out behind two ESC; "F65535" and everything else do not. The display-mode commands
// "M1".."M5" look like a contrast command, so the contrast has its own framing call.
//
// Texts: code page 437 for the accented letters, except "§" (sent as "$") and "´" (sent
// as "'"); characters outside Latin-1 go out as "?", so one character is always one byte
// and the unit's columns line up.
#pragma once

#include <QByteArray>
#include <QString>

namespace kalvor::kr1 {

inline constexpr char kEsc = '\x1b';
inline constexpr char kCr = '\r';

QByteArray encodeText(const QString& text);
QString decodeText(const QByteArray& bytes);

// True for the commands that travel behind ESC ESC.
bool needsEscEsc(const QString& command);
// The command as it goes on the wire.
QByteArray frame(const QString& command);
// The contrast command ("M" and the value), always behind ESC ESC.
QByteArray frameContrast(int value);

// Key codes.
inline constexpr int kFirstChannelPress = 1;   // 1..8: channel key presses
inline constexpr int kFirstChannelRelease = 9; // 9..16: their releases
inline constexpr int kPresetMinus = 17;
inline constexpr int kPause = 18;
inline constexpr int kRollBack = 19;
inline constexpr int kRepeat = 20;
inline constexpr int kMenu = 21;
inline constexpr int kMinus = 22;
inline constexpr int kLeft = 23;
inline constexpr int kUp = 24;
inline constexpr int kPresetPlus = 25;
inline constexpr int kContinue = 26;
inline constexpr int kRollForward = 27;
inline constexpr int kStopAll = 28;
inline constexpr int kEnter = 29;
inline constexpr int kPlus = 30;
inline constexpr int kRight = 31;
inline constexpr int kDown = 32;

// The key's label as the key test screen shows it; "            " for codes outside
// 1..32.
QString keyLabel(int code);

} // namespace kalvor::kr1
