// Captions and messages of the overview window and its layout files, in both languages.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::overviewtexts {

inline constexpr UiText Title{"Overview", "Übersicht"};
inline constexpr UiText MenuFile{"&File", "&Datei"};
inline constexpr UiText MenuPreset{"&Preset", "&Preset"};
inline constexpr UiText MenuChannel{"&Channel", "&Kanal"};
inline constexpr UiText MenuView{"&View", "&Ansicht"};
inline constexpr UiText MenuOptions{"&Options", "&Optionen"};
inline constexpr UiText LoadPlaylist{"Load Playlist...", "Playlist laden..."};
inline constexpr UiText SavePlaylist{"Save Playlist", "Playlist speichern"};
inline constexpr UiText SavePlaylistAs{"Save Playlist As...", "Playlist speichern unter..."};
inline constexpr UiText CloseWindow{"Close", "Schließen"};
inline constexpr UiText PresetAdd{"Add", "Hinzufügen"};
inline constexpr UiText PresetSave{"Save", "Speichern"};
inline constexpr UiText PresetRemove{"Remove", "Entfernen"};
inline constexpr UiText PresetRename{"Rename...", "Umbenennen..."};
inline constexpr UiText PresetRecall{"Recall", "Abrufen"};
inline constexpr UiText PresetNext{"Next", "Nächstes"};
inline constexpr UiText PresetPrevious{"Previous", "Vorheriges"};
inline constexpr UiText ChannelLoad{"Load Sound...", "Sound laden..."};
inline constexpr UiText ChannelCopy{"Copy", "Kopieren"};
inline constexpr UiText ChannelCut{"Cut", "Ausschneiden"};
inline constexpr UiText ChannelPaste{"Paste", "Einfügen"};
inline constexpr UiText ChannelRemove{"Remove Sound", "Sound entfernen"};
inline constexpr UiText ChannelRemoveAll{"Remove All Sounds", "Alle Sounds entfernen"};
inline constexpr UiText ChannelRemoveOffset{"Remove Start Offset", "Start Offset entfernen"};
inline constexpr UiText ViewColumns{"Columns", "Spalten"};
inline constexpr UiText ShowProgress{"Show Progress", "Fortschritt anzeigen"};
inline constexpr UiText AutoSize{"Column Auto Size", "Spaltenbreite automatisch"};
inline constexpr UiText ChangeFont{"Change Font...", "Schrift ändern..."};
inline constexpr UiText OnTop{"Always on Top", "Immer im Vordergrund"};
inline constexpr UiText LoadLayout{"Load Layout...", "Layout laden..."};
inline constexpr UiText SaveLayout{"Save Layout...", "Layout speichern..."};
inline constexpr UiText ResetLayout{"Reset Layout", "Layout zurücksetzen"};
inline constexpr UiText OptionsOpen{"Options...", "Optionen..."};
inline constexpr UiText SaveLayoutTitle{"Save Overview Layout", "Overview Layout speichern"};
inline constexpr UiText LoadLayoutTitle{"Load Overview Layout", "Overview Layout laden"};
inline constexpr UiText LayoutFilter{"Overview layout files (*.kov);;All files (*)",
                                     "Overview Layout Dateien (*.kov);;Alle Dateien (*)"};
inline constexpr UiText FileExists{"File exists! Overwrite?",
                                   "Datei schon vorhanden! Überschreiben?"};
inline constexpr UiText FileError{"File Error", "Datei Fehler"};
inline constexpr UiText LayoutUnreadable{"The layout file could not be read: ",
                                         "Die Layout-Datei konnte nicht gelesen werden: "};
inline constexpr UiText LayoutUnwritable{"The layout file could not be written: ",
                                         "Die Layout-Datei konnte nicht geschrieben werden: "};
inline constexpr UiText LayoutUnknown{"Not an overview layout file: ",
                                      "Keine Overview Layout Datei: "};

} // namespace kalvor::overviewtexts
