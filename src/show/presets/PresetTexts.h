// Texts of the preset list operations. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText MemoryErrorTitle{"Memory Error", "Memory Fehler"};
inline constexpr UiText PresetMemoryFull{"Preset memory full (%1 entries used)",
                                         "Preset Speicher voll (%1 Einträge benutzt)"};
inline constexpr UiText StatusPreset{"Preset: ", "Preset: "};
inline constexpr UiText StatusPlaylist{"Playlist: ", "Playlist: "};
inline constexpr UiText SavingPreset{"Saving Preset - please wait...",
                                     "Preset wird gespeichert - bitte warten..."};
inline constexpr UiText LoadingPreset{"Loading Preset - please wait...",
                                      "Preset wird geladen - bitte warten..."};
inline constexpr UiText DeletePresetQuestion{"Delete this Preset from the list",
                                             "Dieses Preset aus der Liste löschen"};
inline constexpr UiText DeleteAllPresetsQuestion{"Delete all Presets from list",
                                                 "Alle Presets aus der Liste löschen"};
inline constexpr UiText RenameTitle{"Kalvor", "Kalvor"};
inline constexpr UiText RenamePrompt{"New name for this Preset...",
                                     "Neuer Name für dieses Preset..."};
inline constexpr UiText FreeSlotName{
    "The name \"empty\" marks a free slot and is not saved with the show - please choose "
    "another name",
    "Der Name \"empty\" kennzeichnet einen freien Platz und wird nicht mit der Show "
    "gespeichert - bitte einen anderen Namen wählen"};
inline constexpr UiText ClipboardErrorTitle{"Error", "Error"};
inline constexpr UiText ClipboardEmpty{"Clipboard empty - no Preset to insert",
                                       "Clipboard leer - kein Preset zum Einfügen vorhanden"};
inline constexpr UiText QuestionTitle{"Kalvor", "Kalvor"};
// The system message list is not translated.
inline constexpr UiText PresetsBusy{"Preset list not changed (a preset is being recalled)",
                                    "Preset list not changed (a preset is being recalled)"};

} // namespace kalvor::texts
