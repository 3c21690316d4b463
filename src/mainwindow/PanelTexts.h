// Texts of the channel settings panel, the preset panel, the global playback buttons and
// the playlist selector. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

// Channel settings panel
inline constexpr UiText NoChannelSelected{"Channel -", "Kanal -"};
inline constexpr UiText OutputLabel{"Output:", "Ausgang:"};
inline constexpr UiText OutputTip{"Output device of this channel", "Ausgabegerät dieses Kanals"};
inline constexpr UiText SurroundLabel{"Destination:", "Ziel:"};
inline constexpr UiText SurroundTip{"Speakers of a multichannel device that play this channel",
                                    "Lautsprecher eines Mehrkanal-Geräts für diesen Kanal"};
inline constexpr UiText FileBits{"File Bits: ", "Datei Bits: "};
inline constexpr UiText FileChannels{"File Channels: ", "Datei Kanäle: "};
inline constexpr UiText FileSampleRate{"File Samplerate: ", "Datei Samplerate: "};
inline constexpr UiText VolumeLabel{"Volume", "Lautstärke"};
inline constexpr UiText VolumeTip{"Volume of the selected channel",
                                  "Lautstärke des gewählten Kanals"};
inline constexpr UiText PanLabel{"Pan", "Pan"};
inline constexpr UiText PanTip{"Pan of the selected channel (right click: centre)",
                               "Panorama des gewählten Kanals (Rechtsklick: Mitte)"};
inline constexpr UiText EqFrame{"Equalizer", "Equalizer"};
inline constexpr UiText EqActive{"EQ active", "EQ aktiv"};
inline constexpr UiText EqLow{"Low", "Tief"};
inline constexpr UiText EqMid{"Mid", "Mitte"};
inline constexpr UiText EqHigh{"High", "Hoch"};
inline constexpr UiText EqFreqTip{"Centre frequency of the band (Hz)",
                                  "Mittenfrequenz des Bandes (Hz)"};
inline constexpr UiText EqWidthTip{"Bandwidth of the band (semitones)",
                                   "Bandbreite des Bandes (Halbtöne)"};
inline constexpr UiText EqGainTip{"Gain of the band (dB; right click: 0 dB)",
                                  "Verstärkung des Bandes (dB; Rechtsklick: 0 dB)"};
inline constexpr UiText FadesFrame{"Fades", "Fades"};
inline constexpr UiText FadeInActive{"Fade In active", "Fade In aktiv"};
inline constexpr UiText FadeOutActive{"Fade Out active", "Fade Out aktiv"};
inline constexpr UiText FadeInTimeTip{"Fade In Time Select", "Fade In Zeit wählen"};
inline constexpr UiText FadeOutTimeTip{"Fade Out Time Select", "Fade Out Zeit wählen"};
inline constexpr UiText CurveLabel{"Curve:", "Kurve:"};
inline constexpr UiText EffectsButton{"DSP Effects...", "DSP Effekte..."};
inline constexpr UiText EffectsTip{"Opens the effects of the selected channel",
                                   "Öffnet die Effekte des gewählten Kanals"};
inline constexpr UiText CpuLoad{"CPU Load: ", "CPU Last: "};
inline constexpr UiText MeterTip{"Level of the selected channel", "Pegel des gewählten Kanals"};

// Preset panel
inline constexpr UiText PresetsFrame{"Presets", "Presets"};
inline constexpr UiText PreviousPreset{"Previous", "Zurück"};
inline constexpr UiText NextPreset{"Next", "Weiter"};
inline constexpr UiText RecallPreset{"Recall", "Abrufen"};
inline constexpr UiText StorePreset{"Store", "Speichern"};
inline constexpr UiText AddPreset{"New", "Neu"};
inline constexpr UiText PreviousPresetTip{
    "Selects (and plays) the previous Preset in the list (or use the Minus button)",
    "Wählt (und spielt) das vorige Preset der Liste (oder die Minus Taste benutzen)"};
inline constexpr UiText NextPresetTip{
    "Selects (and plays) the next Preset in the list (or use the Plus button)",
    "Wählt (und spielt) das nächste Preset der Liste (oder die Plus Taste benutzen)"};
inline constexpr UiText RecallPresetTip{"Recalls the selected Preset (Shift: without autostarts)",
                                        "Ruft das gewählte Preset ab (Shift: ohne Autostarts)"};
inline constexpr UiText StorePresetTip{"Saves the channel settings into the current Preset",
                                       "Speichert die Kanal Einstellungen in das aktuelle Preset"};
inline constexpr UiText AddPresetTip{"Adds a new Preset to the playlist",
                                     "Fügt ein neues Preset zur Playlist hinzu"};
inline constexpr UiText MenuAdd{"Add", "Hinzufügen"};
inline constexpr UiText MenuRemove{"Remove", "Entfernen"};
inline constexpr UiText MenuRemoveAll{"Remove all", "Alle entfernen"};
inline constexpr UiText MenuName{"Name", "Name"};
inline constexpr UiText MenuCopy{"Copy", "Kopieren"};
inline constexpr UiText MenuCut{"Cut", "Ausschneiden"};
inline constexpr UiText MenuInsertBefore{"Insert before", "Davor einfügen"};
inline constexpr UiText MenuInsertAfter{"Insert after", "Danach einfügen"};
inline constexpr UiText MenuInsertNewBefore{"Insert new before", "Neues davor einfügen"};
inline constexpr UiText MenuInsertNewAfter{"Insert new after", "Neues danach einfügen"};
inline constexpr UiText MenuChangeFont{"Change Font", "Schriftart ändern"};

// Global Playback Control
inline constexpr UiText GlobalPlaybackFrame{"Global Playback Control",
                                            "Globale Wiedergabe Steuerung"};
inline constexpr UiText GlobalPlayTip{"Plays/Continues the Preset from the actual position",
                                      "Spielt das Preset ab der aktuellen Position (weiter)"};
inline constexpr UiText GlobalPauseTip{"Pauses the Preset", "Hält das Preset an"};
inline constexpr UiText RollbackTip{
    "Winds all autostart sounds backward by a pre-defined number of seconds",
    "Spult alle Autostart Sounds um eine festgelegte Anzahl Sekunden zurück"};
inline constexpr UiText ForwardTip{
    "Winds all autostart sounds forward by a pre-defined number of seconds",
    "Spult alle Autostart Sounds um eine festgelegte Anzahl Sekunden vor"};
inline constexpr UiText RepeatTip{"Repeats from the position that was selected with << or >>",
                                  "Wiederholt ab der Position, die mit << oder >> gewählt wurde"};

// Playlist selector
inline constexpr UiText PlaylistFrame{"Playlist", "Playlist"};
inline constexpr UiText PlaylistTip{"Recently used playlists", "Zuletzt benutzte Playlisten"};
inline constexpr UiText PlaylistFileErrorTitle{"File Error", "Datei Fehler"};
inline constexpr UiText PlaylistFileMissing{"The specified file does not exist!",
                                            "Die angegebene Datei ist nicht vorhanden!"};

} // namespace kalvor::texts
