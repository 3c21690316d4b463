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

inline constexpr UiText TouchTitle{"Touchscreen", "Touchscreen"};
inline constexpr UiText TouchRestart{"Restart", "Restart"};
inline constexpr UiText TouchLoop{"Loop", "Loop"};
inline constexpr UiText TouchPause{"Pause", "Pause"};
inline constexpr UiText TouchHold{"Play while hold", "Spielen solange gedrückt"};
inline constexpr UiText TouchJump{"Jump to next", "Springe zum nächsten"};
inline constexpr UiText TouchNextPreset{"Next Preset", "Nächstes Preset"};
inline constexpr UiText TouchPreviousPreset{"Previous Preset", "Voriges Preset"};
inline constexpr UiText TouchChannel{"Channel %1", "Kanal %1"};

} // namespace kalvor::texts
