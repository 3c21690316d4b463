// The KR-2's display commands, each one queued string. Every command starts with ESC
// (the unit's command prefix) except the clear byte; text commands carry the position
// and the text with no line end. Columns 1..40, rows 1..8. Pure.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace kalvor::units {

inline constexpr int kKr2Columns = 40;
inline constexpr int kKr2Rows = 8;
inline constexpr char kEsc = '\x1b';
inline constexpr char kKr2Clear = '\x0c';

// The port's line settings in KR-2 mode.
inline constexpr const char* kKr2LineSettings = "9600,N,8,1";

// ESC "O" column "," row and the text in code page 437. A position off the display is
// pulled onto it, so a bad caller can never send a position the unit reads wrongly.
QByteArray kr2Write(int column, int row, const QString& text);
// The same with bytes that are already the unit's (frames).
QByteArray kr2WriteBytes(int column, int row, const QByteArray& bytes);
QByteArray kr2Normal();
QByteArray kr2Inverse();
QByteArray kr2Blink();
QByteArray kr2ClearCommand();
// ESC "C0", clear, ESC "M1", ESC "N": sent in this order before the start screen.
QByteArrayList kr2Setup();

// Code page 437 line bytes.
namespace cp437 {
inline constexpr char kV = '\xB3', kH = '\xC4', kTL = '\xDA', kTR = '\xBF', kBL = '\xC0',
                      kBR = '\xD9', kTeeDown = '\xC2', kTeeUp = '\xC1', kTeeLeft = '\xB4';
inline constexpr char kDV = '\xBA', kDH = '\xCD', kDTL = '\xC9', kDTR = '\xBB', kDBL = '\xC8',
                      kDBR = '\xBC';
} // namespace cp437

} // namespace kalvor::units
