// Texts of the touch-screen and black-screen views. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText BlackBank{"Bank %1  -  Channels %2-%3", "Bank %1  -  Kanäle %2-%3"};
inline constexpr UiText BlackNoSound{"(no sound)", "(kein Sound)"};
inline constexpr UiText BlackPresets{"Presets", "Presets"};
inline constexpr UiText BlackKeysPlay{"F1-F8: play", "F1-F8: Play"};
inline constexpr UiText BlackKeysStop{"F1-F8: play / stop", "F1-F8: Play / Stop"};
inline constexpr UiText BlackHelp{
    "%1   Tab: key mode   Arrows: channel / sound   Backspace: back to the main window",
    "%1   Tab: Tastenmodus   Pfeile: Kanal / Sound   Rücktaste: zurück zum Hauptfenster"};

} // namespace kalvor::texts
