// Texts of the options dialog's messages. English first, German second. Captions of the
// pages sit beside the controls that show them.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText OptionsTitle{"Program Options", "Programm Einstellungen"};

inline constexpr UiText FileDoesNotExist{"File does not exist!", "Datei ist nicht vorhanden!"};
inline constexpr UiText DefaultPlaylistFileTitle{"Default Playlist File", "Vorgabe Playlist Datei"};
inline constexpr UiText NotAValidPath{"is not a valid pathname!", "ist kein gültiger Pfadname!"};
inline constexpr UiText DefaultPlaylistDirTitle{"Default Playlist Directory",
                                                "Vorgabe Playlist Verzeichnis"};
inline constexpr UiText DefaultSoundDirTitle{"Default Sound Directory",
                                             "Vorgabe Sound Verzeichnis"};
inline constexpr UiText LogBackupDirTitle{"Log Backup Directory", "Log Backup Verzeichnis"};
inline constexpr UiText NotAProgram{"is not a program that can be started!",
                                    "ist kein startbares Programm!"};
inline constexpr UiText WaveEditorTitle{"Wave Editor", "Wave Editor"};

inline constexpr UiText DefaultLevelTitle{"Default Level", "Vorgabe Lautstärke"};
inline constexpr UiText DefaultLevelQuestion{"Set the level of all 32 channels to ",
                                             "Sollen alle 32 Kanäle auf "};
inline constexpr UiText DefaultLevelQuestionEnd{"?", " gesetzt werden?"};

inline constexpr UiText RestartNeeded{
    "You must restart Kalvor for the changes to take effect!",
    "Kalvor muss neu gestartet werden, bevor diese Änderung wirksam wird!"};
inline constexpr UiText SampleRateTitle{"Playback Sample Rate", "Wiedergabe Sample Rate"};
inline constexpr UiText SoundDevicesTitle{"Sound Devices", "Sound Devices"};
inline constexpr UiText ReloadNeeded{
    "You must reload your sounds for the changes to take effect!",
    "Alle Sounds müssen neu geladen werden, bevor diese Änderung wirksam wird!"};
inline constexpr UiText BitResolutionTitle{"Internal Bit Resolution", "Interne Bit Auflösung"};
inline constexpr UiText PreloadTitle{"Set Preload size", "Neue Preload Grösse setzen"};
inline constexpr UiText PreloadText{
    "New preload size will be used after\r\nreloading all sounds or the Preset!",
    "Die neue Preload Grösse wird erst benutzt, nach dem\r\nerneuten laden aller Sounds oder "
    "des Presets!"};
inline constexpr UiText BufferTitle{"Set Buffer size", "Neue Bufferlänge setzen"};
inline constexpr UiText SizeOutOfRange{"%1 msec. is out of range.\r\nAllowed: %2 to %3 msec.",
                                       "%1 msec. ist ausserhalb des Bereichs.\r\nErlaubt: %2 "
                                       "bis %3 msec."};

inline constexpr UiText SelectDefaultPlaylist{"Select Default Playlist",
                                              "Vorgabe Playlist auswählen"};
inline constexpr UiText PlaylistFilter{"Playlist files (*.kal)", "Playlist Dateien (*.kal)"};
inline constexpr UiText SelectWaveEditor{"Select Wave Editor", "Wave Editor auswählen"};
inline constexpr UiText WaveEditorFilter{"Wave Editor (*)", "Wave Editor (*)"};
inline constexpr UiText SelectFolder{"Select Folder", "Verzeichnis auswählen"};

inline constexpr UiText FtpNewEntry{"New Entry", "New Entry"};
inline constexpr UiText FtpListFull{"FTP List full.", "FTP Liste voll."};
inline constexpr UiText FtpEntriesUsed{" entries used!", " Einträge benutzt!"};
inline constexpr UiText FtpListErrorTitle{"List Error", "Listenfehler"};
inline constexpr UiText FtpListDamaged{"FTP list %1: %2", "FTP Liste %1: %2"};
inline constexpr UiText FtpListNotWritten{"The FTP list could not be written:\r\n%1",
                                          "Die FTP Liste konnte nicht geschrieben werden:\r\n%1"};

inline constexpr UiText GpioOff{"OFF (no function assigned)", "AUS (keine Funktion gewählt)"};
inline constexpr UiText GpioPlayStop{"PLAY/STOP Channel %1", "PLAY/STOP Kanal %1"};
inline constexpr UiText GpioContactClosed{"Closed", "Geschlossen"};
inline constexpr UiText GpioContactOpen{"Open", "Offen"};
inline constexpr UiText GpioHold{"Hold", "Halten"};

} // namespace kalvor::texts
