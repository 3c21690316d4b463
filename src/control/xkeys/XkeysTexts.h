// Texts of the keypad support.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText XkeysGoneTitle{"X-Keys USB Device Error", "X-Keys USB Geräte Fehler"};
inline constexpr UiText XkeysGone{"The X-Keys device has been disconnected!",
                                  "Das X-Keys Gerät wurde entfernt!"};
inline constexpr UiText LoggingOff{"Logging = OFF", "Logging = AUS"};
inline constexpr UiText LoggingOn{"Logging = ON", "Logging = AN"};

} // namespace kalvor::texts
