// Texts of the file management window and its FTP messages. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText FmTitle{"File Management", "Dateiverwaltung"};
inline constexpr UiText FmLocal{"Local", "Lokal"};
inline constexpr UiText FmFileName{"File Name:", "Dateiname:"};
inline constexpr UiText FmFileType{"File Type:", "Dateityp:"};
inline constexpr UiText FmOk{"&OK", "&OK"};
inline constexpr UiText FmCancel{"&Cancel", "&Abbruch"};
inline constexpr UiText FmFtpList{"FTP List:", "FTP Liste:"};
inline constexpr UiText FmConnect{"Connect", "Verbinden"};
inline constexpr UiText FmDisconnect{"Disconnect", "Abmelden"};
inline constexpr UiText FmStartTransfer{"Start Transfer", "Transfer starten"};
inline constexpr UiText FmOptions{"Options", "Einstellungen"};
inline constexpr UiText FmProgress{"Progress:", "Fortschritt:"};
inline constexpr UiText FmServerType{"Server type:", "Servertyp:"};
inline constexpr UiText FmFolder{"Folder:", "Ordner:"};
inline constexpr UiText FmLevel{"Level", "Pegel"};
inline constexpr UiText FmPreview{"Preview", "Vorhören"};
inline constexpr UiText FmColName{"Name", "Name"};
inline constexpr UiText FmColSize{"Size", "Grösse"};
inline constexpr UiText FmColDate{"Date", "Datum"};
inline constexpr UiText FmNotConnected{"Not connected", "Nicht verbunden"};
inline constexpr UiText FmConnecting{"Connecting...", "Verbinde..."};
inline constexpr UiText FmEncrypted{"Connected, encrypted (TLS)", "Verbunden, verschlüsselt (TLS)"};
inline constexpr UiText FmPlain{"Connected, not encrypted", "Verbunden, unverschlüsselt"};

// Tooltips (shown while the tooltip option is on)
inline constexpr UiText TipFmDrive{"Mounted drives", "Eingehängte Laufwerke"};
inline constexpr UiText TipFmFolders{"Folders: double-click to open",
                                     "Ordner: Doppelklick zum Öffnen"};
inline constexpr UiText TipFmFiles{"Sound files in this folder; select the ones for the list",
                                   "Sound Dateien in diesem Ordner; wählen Sie die für die Liste"};
inline constexpr UiText TipFmFileName{"Name of the selected file", "Name der gewählten Datei"};
inline constexpr UiText TipFmFileType{"Shows only files of this type",
                                      "Zeigt nur Dateien dieses Typs"};
inline constexpr UiText TipFmFtpList{"FTP servers stored in the options",
                                     "In den Einstellungen gespeicherte FTP Server"};
inline constexpr UiText TipFmConnect{"Connects to the selected FTP server",
                                     "Verbindet mit dem gewählten FTP Server"};
inline constexpr UiText TipFmDisconnect{"Closes the connection to the FTP server",
                                        "Beendet die Verbindung zum FTP Server"};
inline constexpr UiText TipFmLoad{"Copies the selected server files into the local folder",
                                  "Kopiert die gewählten Server Dateien in den lokalen Ordner"};
inline constexpr UiText TipFmOptions{"Edit the FTP server list", "FTP Serverliste bearbeiten"};
inline constexpr UiText TipFmRemote{"Files on the server: double-click a folder to open it",
                                    "Dateien auf dem Server: Doppelklick öffnet einen Ordner"};
inline constexpr UiText TipFmRemoteFolders{"Folders of the server", "Ordner des Servers"};
inline constexpr UiText TipFmPlay{"Plays the selected file on the preview channel",
                                  "Spielt die gewählte Datei auf dem Vorhörkanal"};
inline constexpr UiText TipFmStop{"Stops the preview", "Stoppt das Vorhören"};
inline constexpr UiText TipFmLevel{"Preview level", "Vorhörpegel"};
inline constexpr UiText TipFmOk{"Adds the selected files to the sound list",
                                "Fügt die gewählten Dateien der Sound Liste hinzu"};
inline constexpr UiText TipFmCancel{"Closes without adding sounds",
                                    "Schliesst ohne Sounds hinzuzufügen"};

// Messages
inline constexpr UiText FtpErrorTitle{" FTP Error!", " FTP Fehler!"};
inline constexpr UiText FtpTimeOut{"Time Out Error while trying to connect",
                                   "Time Out Fehler während Verbindungsversuch"};
inline constexpr UiText FtpNotOnline{" Server not online ", " Keine Verbindung zum Server "};
inline constexpr UiText FtpNoFolders{"Can't download folders ",
                                     "Ordner können nicht übertragen werden "};
inline constexpr UiText FtpUnsafeName{
    "The server lists a name that cannot be saved as a local file:",
    "Der Server nennt einen Namen, der nicht als lokale Datei gespeichert werden kann:"};
inline constexpr UiText FtpNoServer{"No FTP server selected in the list.",
                                    "Kein FTP Server in der Liste gewählt."};
inline constexpr UiText LoadErrorTitle{"Error", "Fehler"};
inline constexpr UiText LoadError{"Error while loading:", "Fehler beim Laden von:"};

// The error table of FTP_Fehler
inline constexpr UiText FtpLoginIncorrect{" Login incorrect ", " Anmeldung nicht korrekt "};
inline constexpr UiText FtpNoConnection{" No connection to FTP-Server ",
                                        " Keine Verbindung zum FTP-Server "};
inline constexpr UiText FtpConnectFailed{
    " Connect to FTP-Server failed", " Verbindung zum FTP-Server konnte nicht hergestellt werden "};
inline constexpr UiText FtpUserInvalid{
    " The username/password provided is invalid, aborting ",
    " Der verwendete Benutzername/Passwort ist falsch, Abbruch "};
inline constexpr UiText FtpFileInUse{
    "The file is already in use on the server or on your PC!\n Could not access file. ",
    "Die Datei wird auf dem Server oder auf ihrem PC bereits benutzt!\n Kein Zugriff auf diese "
    "Datei. "};
inline constexpr UiText FtpOtherError{"Error ", "Fehler "};
inline constexpr UiText FtpReportedIn{"reported in module '", "gemeldet in Modul '"};

// The name-conflict dialog
inline constexpr UiText ConflictTitle{"File already exists...", "Datei existiert bereits..."};
inline constexpr UiText ConflictText{
    "This filename already exists on your local drive! Select [Overwrite] to overwrite the file "
    "or type a new name for the file and select [Rename] or select [Cancel] to skip the transfer !",
    "Eine Datei mit diesem Namen existiert bereits! Wählen Sie [Überschreiben] um die Datei zu "
    "überschreiben oder geben Sie einen neuen Namen ein und wählen Sie [Umbenennen] oder wählen "
    "Sie [Abbruch] um die Übertragung abzubrechen !"};
inline constexpr UiText ConflictOverwrite{"&Overwrite", "&Überschreiben"};
inline constexpr UiText ConflictRename{"&Rename", "&Umbenennen"};
inline constexpr UiText ConflictCancel{"&Cancel", "&Abbruch"};

} // namespace kalvor::texts
