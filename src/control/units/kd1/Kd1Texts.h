// The KD-1 display's texts in both languages.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::units::kd1texts {

inline constexpr UiText StartScreen{"Kalvor Display KD-1", "Kalvor Display KD-1"};
inline constexpr UiText NoDisplay{"No Display connected at COM port ",
                                  "Kein Display angeschlossen an COM Port "};
inline constexpr UiText PortErrorTitle{"KD-1 Display COM Port Error",
                                       "KD-1 Display COM Port Fehler"};
inline constexpr UiText PortTaken{
    "The KD-1 display cannot use COM port %1: the RS-232 port (COM %2) is open on it.",
    "Das KD-1 Display kann COM Port %1 nicht benutzen: der RS-232 Port (COM %2) ist dort offen."};

inline constexpr UiText OptionsTitle{"Options for channel %1 (Page %2)",
                                     "Einstellungen für Kanal %1 (Seite %2)"};
inline constexpr UiText On{"ON", "AN"};
inline constexpr UiText OutputDevice{"Output Device: ", "Ausgangsgerät: "};
inline constexpr UiText Volume{"Volume       : ", "Volume       : "};
inline constexpr UiText Pan{"Pan          : ", "Pan          : "};

inline constexpr UiText Presets{" PRESETS ", " PRESETS "};
inline constexpr UiText SelectPreset{"Select Preset", "Preset Auswahl"};
inline constexpr UiText SoundSelection{"Sound selection for channel ", "Sound Auswahl für Kanal "};
inline constexpr UiText NoSounds{" No sounds existing in list!", " Keine Sounds vorhanden!"};
inline constexpr UiText LoadPlaylist{"Load Playlist", "Playlist laden"};
inline constexpr UiText NoPlaylists{" No playlist files found!", " Keine Playlists gefunden!"};

inline constexpr UiText Preview{"Sound Preview", "Sound vorhören"};
inline constexpr UiText PreviewName{"Soundname  : ", "Soundname  : "};
inline constexpr UiText PreviewDuration{"Duration   : ", "Länge      : "};
inline constexpr UiText PreviewRate{"Samplerate : ", "Samplerate : "};
inline constexpr UiText PreviewBits{"Bits       : ", "Bits       : "};
inline constexpr UiText PreviewChannels{"Channels   : ", "Kanäle     : "};
inline constexpr UiText PreviewVolume{"Volume     : ", "Volume     : "};

inline constexpr UiText SaveAs{"Save Playlist as...", "Playliste speichern als..."};
inline constexpr UiText NewPlaylist{"New Playlist ", "Neue Playlist "};
inline constexpr UiText Rename{"Rename Preset", "Preset Name ändern"};
inline constexpr UiText FreeSlotName{"\"empty\" marks a free slot",
                                     "\"empty\" ist ein freier Platz"};
inline constexpr UiText HelpMove{"<- / -> : move cursor", "<- / -> : Cursor bewegen"};
inline constexpr UiText HelpChange{"+ / -   : change character", "+ / -   : Zeichen ändern"};
inline constexpr UiText HelpSave{"Enter   : save playlist", "Enter   : Playlist speichern"};
inline constexpr UiText HelpName{"Enter   : save name", "Enter   : Name speichern"};
inline constexpr UiText HelpCancel{"Cancel  : close dialog", "Cancel  : Abbrechen"};

inline constexpr UiText Confirm{"Enter = YES / Cancel = NO", "Enter = JA / Cancel = NEIN"};
inline constexpr UiText WouldRemove{"Would you like to remove", "Möchten Sie wirklich"};
inline constexpr UiText AllPresets{"all presets and sounds?", "alle Presets und Sounds löschen?"};
inline constexpr UiText SelectedPreset{"the selected preset?", "das gewählte Preset löschen?"};
inline constexpr UiText ThisSound{"this sound from the list?",
                                  "diesen Sound aus der Liste löschen?"};
inline constexpr UiText Exists1{"A Playlist with this name", "Eine Playlist mit diesem Namen"};
inline constexpr UiText Exists2{"already exists! Would you like", "existiert bereits! Möchten Sie"};
inline constexpr UiText Exists3{"to overwrite this Playlist?", "diese Playlist überschreiben?"};

inline constexpr UiText LoadingPreset{"Loading Preset...", "Preset wird geladen..."};
inline constexpr UiText SavingPlaylist{"Saving Playlist...", "Playlist wird gespeichert..."};
inline constexpr UiText LoadingSound{"Loading Sound...", "Sound wird geladen..."};
inline constexpr UiText FileError{"*** FILE ERROR ***", "*** DATEI FEHLER ***"};

inline constexpr UiText MainPreset{"Preset ", "Preset "};
inline constexpr UiText MainNext{"Next: ", "Nächstes: "};
inline constexpr UiText MainNothing{"No channel playing", "Kein Kanal spielt"};

} // namespace kalvor::units::kd1texts
