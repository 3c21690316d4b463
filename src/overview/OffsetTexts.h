// Texts of the "Sound Offsets" window. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText OffsetsTitle{"Sound Offsets: Channel ", "Sound Offsets: Kanal "};
inline constexpr UiText OffsetsChannel{"Channel", "Kanal"};
inline constexpr UiText OffsetsStartOffset{"Start offset", "Start-Offset"};
inline constexpr UiText OffsetsPlaying{"Playing time", "Spielzeit"};
inline constexpr UiText OffsetsDigits{"hrs : min : sec : ms", "Std : Min : Sek : ms"};
inline constexpr UiText OffsetsSamples{"Samples", "Samples"};
inline constexpr UiText OffsetsCapture{"Capture", "Übernehmen"};
inline constexpr UiText OffsetsReset{"Reset", "Zurücksetzen"};
inline constexpr UiText OffsetsCopy{"Copy", "Kopieren"};
inline constexpr UiText OffsetsPaste{"Paste", "Einfügen"};
inline constexpr UiText OffsetsPlay{"Play", "Play"};
inline constexpr UiText OffsetsStop{"Stop", "Stop"};
inline constexpr UiText OffsetsCue{"Cue", "Cue"};
inline constexpr UiText OffsetsCueTip{
    "Left button: start from the head of the sound; right button: from the offset. The offset "
    "is caught where the level first reaches the cue level.",
    "Linke Taste: vom Anfang des Sounds; rechte Taste: ab dem Offset. Der Offset wird dort "
    "gesetzt, wo der Pegel zuerst den Cue-Pegel erreicht."};
inline constexpr UiText OffsetsCueLevel{"Cue level", "Cue-Pegel"};
inline constexpr UiText OffsetsCueArmed{"Cue armed", "Cue aktiv"};
inline constexpr UiText OffsetsJump{"Jump to offsets", "Zu Offsets springen"};
inline constexpr UiText OffsetsPresets{"Offset presets", "Offset-Presets"};
inline constexpr UiText OffsetsPresetInfo{"Info", "Info"};
inline constexpr UiText OffsetsLoad{"Load", "Laden"};
inline constexpr UiText OffsetsSave{"Save", "Speichern"};
inline constexpr UiText OffsetsClear{"Clear", "Löschen"};
inline constexpr UiText ClearPresetQuestion{"Clear this Start-Offset Preset?",
                                            "Dieses Start-Offset Preset löschen?"};
inline constexpr UiText ClearPresetTitle{"Clear Preset", "Preset löschen"};
inline constexpr UiText OffsetsNoSound{"no sound", "kein Sound"}; // the title brackets it

} // namespace kalvor::texts
