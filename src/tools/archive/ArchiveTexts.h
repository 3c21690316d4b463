// Captions and messages of the backup and restore page and of kalvor-tool's backup and
// restore commands. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText BackupListCaption{"File List for Backup", "Datei Liste für Backup"};
inline constexpr UiText RestoreListCaption{"Archive File List for Restore",
                                           "Archiv Datei Liste für Restore"};
inline constexpr UiText KfaFilter{"Kalvor File Archive (*.kfa);;All files (*)",
                                  "Kalvor File Archiv (*.kfa);;Alle Dateien (*)"};
inline constexpr UiText AllFilesFilter{"All files (*)", "Alle Dateien (*)"};
inline constexpr UiText AddFilesTitle{"Load additional files for Backup...",
                                      "Zusätzliche Dateien für Backup laden..."};
inline constexpr UiText NoFilesSelected{"No files selected!", "Keine Dateien ausgewählt!"};
inline constexpr UiText BackupErrorTitle{"Backup Error", "Backup Fehler"};
inline constexpr UiText BackupSaveTitle{
    "Please select a filename for the Backup Archive...",
    "Bitte wählen Sie einen Datei Namen für die Backup Datei..."};
inline constexpr UiText FileExists{"The file %1 allready exist!\r\nWould you like to overwrite it?",
                                   "Die Datei %1 ist bereits vorhanden! \r\nSoll sie überschrieben "
                                   "werden?"};
inline constexpr UiText FileErrorTitle{"File Error", "Datei Fehler"};
inline constexpr UiText CancelBackupQuestion{"Would you like to cancel the Backup process?",
                                             "Möchten Sie die Datensicherung abbrechen?"};
inline constexpr UiText FileBackupTitle{"File Backup", "Datei Backup"};
inline constexpr UiText BackupInProgress{"   (Backup in progress, hit Esc to stop...)",
                                         "   (Backup in progress, hit Esc to stop...)"};
inline constexpr UiText BackupFinished{"Backup finished, %1 files saved!",
                                       "Datensicherung durchgeführt, %1 Dateien gesichert!"};
inline constexpr UiText BackupCancelled{
    "The Backup was cancelled, no archive was written.",
    "Die Datensicherung wurde abgebrochen, es wurde keine Archivdatei geschrieben."};
inline constexpr UiText ListArchiveTitle{"Load Archive Directory",
                                         "Inhaltsverzeichnis von Sicherungsdatei laden"};
inline constexpr UiText DirectoryMissing{
    "The directoy %1 does not exist!\r\nYou must create it first",
    "Das Verzeichnis %1 existiert nicht!\r\nSie müssen es erst erzeugen!"};
inline constexpr UiText DirectoryErrorTitle{"Directory Error", "Verzeichnis Fehler"};
inline constexpr UiText CancelRestoreQuestion{"Would you like to cancel the Restore process?",
                                              "Möchten Sie die Wiederherstellung abbrechen?"};
inline constexpr UiText FileRestoreTitle{"File Restore", "Datei Restore"};
inline constexpr UiText RestoreInProgress{"   (Restore in progress, hit Esc to stop...)",
                                          "   (Restore in progress, hit Esc to stop...)"};
inline constexpr UiText RestoreFinished{
    "Backup finished, %1 files restored!",
    "Datensicherung durchgeführt, %1 Dateien wiederhergestellt!"};
inline constexpr UiText RestoreRelinked{
    "All soundfile references in '%1' have been relinked!",
    "Alle Sounddatei Pfade der Playlist '%1' wurden angeglichen (Relinked)!"};
inline constexpr UiText RestoreManualHint{
    "(More info can be found in the manual under 'Backup/Restore')",
    "(Mehr Informationen hierzu im Handbuch unter 'Datensicherung')"};
inline constexpr UiText BtnListFiles{"List Files", "Dateien auflisten"};
inline constexpr UiText BtnAddFile{"Add File", "Datei hinzufügen"};
inline constexpr UiText BtnRemoveFile{"Remove File", "Datei entfernen"};
inline constexpr UiText BtnBackup{"Backup", "Backup"};
inline constexpr UiText BtnListArchive{"List Archive", "Archiv auflisten"};
inline constexpr UiText BtnRestore{"Restore", "Restore"};
inline constexpr UiText MnuSelectAll{"Select all", "Alle auswählen"};
inline constexpr UiText MnuDeselectAll{"Deselect all", "Auswahl aufheben"};
inline constexpr UiText TimeLeft{"%1 / %2 MB, time left %3", "%1 / %2 MB, Restzeit %3"};
inline constexpr UiText SelectRestoreFolder{"Select Folder", "Verzeichnis auswählen"};
inline constexpr UiText DestinationSource{"Restore to source paths",
                                          "In Quellpfade zurückschreiben"};
inline constexpr UiText DestinationFolder{"Restore to one folder...", "In ein Verzeichnis..."};
// Our own additions: what an archive from outside may not do, and what went wrong.
inline constexpr UiText WindowsSourcePaths{
    "This archive was made on Windows (source paths such as %1).\r\nIt cannot be restored to "
    "its source paths here. Choose 'Restore to one folder...' instead; the playlist is then "
    "relinked to that folder.",
    "Dieses Archiv wurde unter Windows erstellt (Quellpfade wie %1).\r\nEs kann hier nicht in "
    "die Quellpfade zurückgeschrieben werden. Wählen Sie stattdessen 'In ein Verzeichnis...'; "
    "die Playlist wird dann auf dieses Verzeichnis angeglichen."};
inline constexpr UiText RestoreErrorTitle{"Restore_Error", "Restore_Error"};
inline constexpr UiText BackupErrorNumberTitle{"Backup_Error", "Backup_Error"};
inline constexpr UiText ErrorDuringBackup{"Error %1 during Backup", "Error %1 during Backup"};
inline constexpr UiText ErrorDuringRestore{"Error %1 during Restore", "Error %1 during Restore"};
inline constexpr UiText ArchiveUnreadable{"The archive %1 cannot be read: %2",
                                          "Die Archivdatei %1 kann nicht gelesen werden: %2"};
inline constexpr UiText ArchiveNoPathInfo{
    "The archive %1 holds no PathInfo.txt; it is no Kalvor File Archive.",
    "Die Archivdatei %1 enthält keine PathInfo.txt; sie ist kein Kalvor File Archiv."};
inline constexpr UiText ArchiveHostileEntry{
    "The archive %1 is refused: its entry '%2' %3.",
    "Die Archivdatei %1 wird abgelehnt: ihr Eintrag '%2' %3."};
inline constexpr UiText EntryAbsolute{"is an absolute path", "ist ein absoluter Pfad"};
inline constexpr UiText EntryParent{"leads out of its folder ('..')",
                                    "führt aus seinem Verzeichnis heraus ('..')"};
inline constexpr UiText EntrySymlink{"is a symbolic link", "ist ein symbolischer Link"};
inline constexpr UiText PathInfoNoEntry{"'%1' is listed in PathInfo.txt but not in the archive",
                                        "'%1' steht in PathInfo.txt, fehlt aber im Archiv"};
inline constexpr UiText EntryNotListed{"The archive holds %1 files that PathInfo.txt does not "
                                       "list; they are not restored.",
                                       "Das Archiv enthält %1 Dateien, die PathInfo.txt nicht "
                                       "nennt; sie werden nicht wiederhergestellt."};
inline constexpr UiText NoFileName{"'%1' names no file and would be written outside %2",
                                   "'%1' nennt keine Datei und würde ausserhalb von %2 "
                                   "geschrieben"};
inline constexpr UiText FileNotReadable{"%1 cannot be read: %2",
                                        "%1 kann nicht gelesen werden: %2"};
inline constexpr UiText FileNotRestored{"%1 was not restored: %2",
                                        "%1 wurde nicht wiederhergestellt: %2"};
inline constexpr UiText FilesKept{"%1 files were restored before the error and are kept.",
                                  "%1 Dateien wurden vor dem Fehler wiederhergestellt und "
                                  "bleiben erhalten."};
inline constexpr UiText SkippedExisting{"%1 exists and was not overwritten.",
                                        "%1 ist vorhanden und wurde nicht überschrieben."};

} // namespace kalvor::texts
