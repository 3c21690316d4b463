// Texts of loading a channel's sound. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText LoadSoundErrorTitle{"Error while loading soundfile",
                                            "Fehler beim Laden von Sound Datei"};
inline constexpr UiText SpecifiedFile{"The specified file: ", "Die angegebene Datei: "};
inline constexpr UiText DoesNotExist{"does not exist!", "ist nicht vorhanden!"};
inline constexpr UiText AudioEngineTitle{"Kalvor Audio Engine", "Kalvor Audio Engine"};
inline constexpr UiText AudioEngineLoadError{"Audio engine error while loading:",
                                             "Audio Engine Fehler beim Laden von:"};
inline constexpr UiText RecallingPreset{" Recalling Preset...", " Recalling Preset..."};
inline constexpr UiText RecallRefusedWhileLoading{"Preset not recalled (a show is being loaded)",
                                                  "Preset not recalled (a show is being loaded)"};

} // namespace kalvor::texts
