// What the touch-screen view writes on its Play buttons and mode indicators, without the
// window. UI thread.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

namespace kalvor {

class ShowStore;

// `SetPlayButtonName`: the channel number, CR LF and the sound name; "---" when the
// channel has no sound; only the number when the buttons show no text.
QString touchPlayButtonName(const ShowStore& store, int ch, bool showText);

// The five indicators of a channel, in the order Restart, Loop, Pause, Play while hold,
// Jump to next: `DisplayOptionRestart` .. `DisplayOptionJumpToNext`.
std::array<bool, 5> touchModeIndicators(const ShowStore& store, int ch);

// The screen the view fills, from the screens' geometries, the main window's screen (-1:
// unknown) and the "TouchScreenPosition" setting ("0" left, "1" right of the main window).
// -1 when there is no other screen: the view is then a window of its own.
int touchScreenIndex(const QList<QRect>& screens, int mainScreen, const QString& position);
// The size of that window, from the "TouchScreenResolution" setting: 0 1024 x 768,
// 1 1280 x 1024, 2 1920 x 1080.
QSize touchWindowSize(int resolution);

} // namespace kalvor
