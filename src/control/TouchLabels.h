// What the touch-screen view writes on its Play buttons and mode indicators, without the
// window. UI thread.
#pragma once

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

} // namespace kalvor
