// The KD-1 display's escape commands. Positions are 1-based columns and rows, sent as
// their byte values. Pure: the display class decides when the port may take them.
#pragma once

#include <QByteArray>
#include <QString>

namespace kalvor::units {

// The display as the peer models it; every page is laid out to fit.
inline constexpr int kKd1Columns = 44;
inline constexpr int kKd1Rows = 12;
inline constexpr const char* kKd1LineSettings = "19200,N,8,1";

// 1F 24 x y, 1F 45 (05 blinking, 00 not), 1F 72 (01 reverse, 00 normal), then the text in
// code page 437. An empty text gives nothing at all, not even the cursor command.
QByteArray kd1Write(const QString& text, int x, int y, bool blink = false, bool reverse = false);
// The clear byte 0C: notices and the main page begin with it.
QByteArray kd1Clear();
// 1F 28 44 04 00 03 62 00 02: every option page, selection, dialog and the preview.
QByteArray kd1PageStart();
// 43 line characters at a position.
QByteArray kd1Rule(int x, int y);

} // namespace kalvor::units
