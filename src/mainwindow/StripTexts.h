// Texts of the main window and its channel strips: menus, the strip's controls, its
// context menus and the new-playlist dialog. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

// Channel caption with the MIDI assignment shown
inline constexpr UiText MidiOff{"Off", "Aus"};

// The strip's mark for a channel that starts at an offset
inline constexpr UiText OffsetMark{"OFS", "OFS"};
inline constexpr UiText OffsetMarkTip{"Starts at %1 - click to edit",
                                      "Startet bei %1 - Klick zum Bearbeiten"};

// Main window menus
inline constexpr UiText MainTitle{"Kalvor", "Kalvor"};
inline constexpr UiText MnuFile{"&File", "&Datei"};
inline constexpr UiText MnuNewPlaylist{"&New Playlist...", "&Neue Playlist..."};
inline constexpr UiText MnuOpenPlaylist{"&Open Playlist...", "Playlist ö&ffnen..."};
inline constexpr UiText MnuSavePlaylist{"&Save Playlist", "Playlist &speichern"};
inline constexpr UiText MnuSavePlaylistAs{"Save Playlist &As...", "Playlist speichern &unter..."};
inline constexpr UiText MnuRecentPlaylists{"&Recent Playlists", "&Zuletzt benutzte Playlists"};
inline constexpr UiText MnuExit{"E&xit", "&Beenden"};
inline constexpr UiText MnuView{"&View", "&Ansicht"};
inline constexpr UiText MnuSystemMessages{"&System Messages", "&System Meldungen"};
inline constexpr UiText MnuEffects{"DSP &Effects...", "DSP &Effekte..."};
inline constexpr UiText MnuStartOffsets{"Set Start &Offset...", "Start-&Offset setzen..."};
inline constexpr UiText MnuRemoveStartOffset{"&Remove Start Offset", "Start-Offset &entfernen"};
inline constexpr UiText MnuOptions{"&Options...", "&Einstellungen..."};
inline constexpr UiText MnuBackupRestore{"&Backup/Restore...", "&Backup/Restore..."};
inline constexpr UiText MnuCdRipping{"&CD Ripping...", "&CD Ripping..."};
inline constexpr UiText MnuTextReader{"&Text Reader...", "&Text Anzeige..."};
inline constexpr UiText MnuTouchScreen{"To&uch Screen", "To&uch Screen"};
inline constexpr UiText MnuBlackScreen{"B&lack Screen", "Schwar&zer Bildschirm"};
inline constexpr UiText MnuLanguage{"&Language", "&Sprache"};
inline constexpr UiText MnuEnglish{"English", "English"};
inline constexpr UiText MnuDeutsch{"Deutsch", "Deutsch"};
inline constexpr UiText OpenPlaylistTitle{"Open Playlist", "Playlist öffnen"};
inline constexpr UiText PlaylistFilter{"Playlist files (*.kal)", "Playlist Dateien (*.kal)"};
inline constexpr UiText RecentFileErrorTitle{"File Error", "Datei Fehler"};
inline constexpr UiText RecentFileMissing{"The specified file does not exist!",
                                          "Die angegebene Datei ist nicht vorhanden!"};
inline constexpr UiText StatusNoPlaylist{"Playlist: ---   ", "Playlist: ---   "};
inline constexpr UiText NewPlaylistTooltip{"Initialises Preset Memory etc.",
                                           "Initialisiert Preset Speicher usw."};

// Channel pages
inline constexpr UiText PageChannels{"Channels %1-%2", "Kanäle %1-%2"};
inline constexpr UiText MnuEditMainTab{"Edit Main Tab", "Edit Main Tab"};
inline constexpr UiText MnuRemoveSoundsFromPage{"Remove all sounds from this page",
                                                "Alle Sounds von dieser Seite entfernen"};

// New-playlist dialog
inline constexpr UiText InitialisingTitle{"Initialising...", "Initialisieren..."};
inline constexpr UiText ClearPresetMemory{"Clear Preset Memory", "Preset Speicher löschen"};
inline constexpr UiText ClearSoundlists{"Clear Soundlists", "Sound Listen löschen"};
inline constexpr UiText ClearPlaylists{"Clear Playlists", "Play Listen löschen"};
inline constexpr UiText Ok{"OK", "OK"};
inline constexpr UiText Cancel{"Cancel", "Abbrechen"};

// Channel strip
inline constexpr UiText Play{"PLAY", "PLAY"};
inline constexpr UiText ChkRestart{"Restart", "Neustart"};
inline constexpr UiText ChkLoop{"Loop", "Schleife"};
inline constexpr UiText ChkPause{"Pause", "Pause"};
inline constexpr UiText ChkHold{"Hold", "Halten"};
inline constexpr UiText ChkJump{"Jump", "Springen"};
inline constexpr UiText ChkAutostart{"Autostart", "Autostart"};
inline constexpr UiText ChkRollback{"RLB/RLF", "RLB/RLF"};
inline constexpr UiText PlayGroupLabel{"Play", "Play"};
inline constexpr UiText StopGroupLabel{"Stop", "Stop"};
inline constexpr UiText AddButton{"Add...", "Laden..."};

inline constexpr UiText TipRestart{"Restarts the sound when you hit PLAY",
                                   "Startet den Sound neu, wenn Sie PLAY drücken"};
inline constexpr UiText TipLoop{"Loops a sound until you hit STOP",
                                "Wiederholt den Sound, bis Sie STOP drücken"};
inline constexpr UiText TipPause{"Stops the sound but keeps the actual position",
                                 "Hält den Sound an und behält die aktuelle Position"};
inline constexpr UiText TipHold{"Plays a sound as long as you hold down PLAY",
                                "Spielt den Sound, solange Sie PLAY gedrückt halten"};
inline constexpr UiText TipJump{"Jumps to the next sound in the list",
                                "Springt zum nächsten Sound der Liste"};
inline constexpr UiText TipAutostart{
    "Starts the sound automatically when you select the next Preset",
    "Startet den Sound automatisch, wenn Sie das nächste Preset wählen"};
inline constexpr UiText TipRollback{"Activates the 'Global Playback Control' mode",
                                    "Aktiviert den 'Global Playback Control' Modus"};
inline constexpr UiText TipPlayGroup{"Puts this channel in a PLAY group",
                                     "Setzt diesen Kanal in eine PLAY Gruppe"};
inline constexpr UiText TipStopGroup{"Puts this channel in a STOP group",
                                     "Setzt diesen Kanal in eine STOP Gruppe"};
inline constexpr UiText TipPlay{"Left button: PLAY - right button: STOP",
                                "Linke Taste: PLAY - rechte Taste: STOP"};
inline constexpr UiText TipPosition{"Position of the sound", "Position des Sounds"};
inline constexpr UiText TipDuration{"Shows the length of the sound or countdown",
                                    "Zeigt die Länge des Sounds oder den Countdown"};
inline constexpr UiText TipAdd{"Left button: add sounds - right button: FTP browser",
                               "Linke Taste: Sounds hinzufügen - rechte Taste: FTP Browser"};

// Sound list menu
inline constexpr UiText MnuSoundListAdd{"Add...", "Hinzufügen..."};
inline constexpr UiText MnuSoundListInsertNewBefore{"Insert new before...",
                                                    "Neu einfügen davor..."};
inline constexpr UiText MnuSoundListInsertNewAfter{"Insert new after...", "Neu einfügen danach..."};
inline constexpr UiText MnuSoundListCopy{"Copy", "Kopieren"};
inline constexpr UiText MnuSoundListCut{"Cut", "Ausschneiden"};
inline constexpr UiText MnuSoundListInsertBefore{"Insert before", "Einfügen davor"};
inline constexpr UiText MnuSoundListInsertAfter{"Insert after", "Einfügen danach"};
inline constexpr UiText MnuSoundListRemove{"Remove", "Entfernen"};
inline constexpr UiText MnuSoundListRemoveAll{"Remove all", "Alle entfernen"};
inline constexpr UiText MnuSoundListMultiSelect{"Multi select", "Mehrfachauswahl"};
inline constexpr UiText MnuSoundListEditWave{"Edit wave...", "Wave bearbeiten..."};
inline constexpr UiText MnuChangeFont{"Change Font...", "Schriftart ändern..."};

// Time display menu
inline constexpr UiText MnuTimeTextColour{"Text color...", "Textfarbe..."};
inline constexpr UiText MnuTimeBackColour{"Background color...", "Hintergrundfarbe..."};
inline constexpr UiText MnuTimeBold{"Bold", "Fett"};
inline constexpr UiText MnuTimeReset{"Reset", "Zurücksetzen"};

// Channel info menu and box
inline constexpr UiText MnuInputChannelInfo{"Input channel info", "Kanal Information eingeben"};
inline constexpr UiText MnuChangeColour{"Change color", "Farbe ändern"};
inline constexpr UiText MnuRemoveChannelInfo{"Remove channel info", "Kanal Information entfernen"};
inline constexpr UiText MnuRemoveColour{"Remove color", "Farbe entfernen"};
inline constexpr UiText MnuResetAllInfo{"Reset all info", "Alle Informationen zurücksetzen"};
inline constexpr UiText MnuResetAllColours{"Reset all colors", "Alle Farben zurücksetzen"};
inline constexpr UiText ChannelInfoTitle{"Kalvor", "Kalvor"};
inline constexpr UiText ChannelInfoPrompt{"Input channel info...", "Kanal Information eingeben..."};

} // namespace kalvor::texts
