// Texts of the play log and its page. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText LogColNo{"No.", "Nr."};
inline constexpr UiText LogColArtist{"Artist", "Interpret"};
inline constexpr UiText LogColTitle{"Title", "Titel"};
inline constexpr UiText LogColDate{"Date", "Datum"};
inline constexpr UiText LogColTime{"Time", "Zeit"};
inline constexpr UiText LogColLength{"Length", "Länge"};
inline constexpr UiText LogColNotes{"Notes", "Anmerkungen"};

inline constexpr UiText LogTab{"Log", "Log"};
inline constexpr UiText LogTabActive{"Log (active)", "Log (aktiviert)"};
inline constexpr UiText LogTitle{"Logging", "Logging"};
inline constexpr UiText LogClearQuestion{"Delete all Log entries ?",
                                         "Alle Log Einträge löschen ? "};
inline constexpr UiText LogDeleteWhilePlaying{
    "Deleting rows is not possible\nwhile sounds are playing!",
    "Das löschen von Zeilen ist nicht\n möglich, während Sounds spielen!"};
inline constexpr UiText LogDeleteRowA{"Delete row ", "Zeile "};
inline constexpr UiText LogDeleteRowB{" ?", " löschen?"};
inline constexpr UiText LogNoRowSelected{"Select the row to delete first.",
                                         "Bitte zuerst die zu löschende Zeile wählen."};

inline constexpr UiText LogSaveTitle{"Save Log File", "Log Datei speichern"};
inline constexpr UiText LogLoadTitle{"Load Log File", "Log Datei laden"};
inline constexpr UiText LogFilterKlg{"Log format (*.klg)", "Log Format (*.klg)"};
inline constexpr UiText LogFilterTxtSave{"Export ASCII Text (*.txt)",
                                         "ASCII Text exportieren (*.txt)"};
inline constexpr UiText LogFilterTxtLoad{"Import ASCII Text (*.txt)",
                                         "ASCII Text importieren (*.txt)"};
inline constexpr UiText LogFilterAll{"All files (*)", "Alle Dateien (*)"};
inline constexpr UiText FileExistsTitle{"File Error", "Datei Fehler"};
inline constexpr UiText FileExistsQuestion{"File exists! Overwrite?",
                                           "Datei schon vorhanden! Überschreiben?"};
inline constexpr UiText LogLoadFailed{"The log file could not be read:",
                                      "Die Log Datei konnte nicht gelesen werden:"};
inline constexpr UiText LogSaveFailed{"The log file could not be written:",
                                      "Die Log Datei konnte nicht geschrieben werden:"};
inline constexpr UiText LogColumnsWrong{
    "The text file has %1 columns in line %2; the log list has 7. Nothing was loaded.",
    "Die Textdatei hat %1 Spalten in Zeile %2; die Log-Liste hat 7. Es wurde nichts geladen."};

inline constexpr UiText LogDirErrorTitle{"Directory Error", "Directory Fehler"};
inline constexpr UiText LogDirMissingA{"The Log file backup folder", "Das Log Datei Verzeichnis"};
inline constexpr UiText LogDirMissingB{
    "does not exist! Would you like to create this folder?",
    "ist nicht vorhanden! Soll dieses Verzeichnis angelegt werden?"};
inline constexpr UiText LogBackupFailed{
    "The log backup could not be written. The log list was not backed up:",
    "Die Log-Sicherung konnte nicht geschrieben werden. Die Log-Liste wurde nicht gesichert:"};

// The Log page
inline constexpr UiText LogEnable{"Logging active", "Logging aktiv"};
inline constexpr UiText LogNew{"New", "Neu"};
inline constexpr UiText LogNewTip{"Delete all Log entries", "Alle Log Einträge löschen"};
inline constexpr UiText LogDelete{"Delete row", "Zeile löschen"};
inline constexpr UiText LogPrint{"Print", "Drucken"};
inline constexpr UiText LogFont{"Font", "Schrift"};
inline constexpr UiText LogLoad{"Load", "Laden"};
inline constexpr UiText LogSave{"Save", "Speichern"};
inline constexpr UiText LogColWidthLabel{"Column width:", "Spaltenbreite:"};
inline constexpr UiText LogNoEmptyRows{"Do not print empty rows", "Leere Zeilen nicht drucken"};
inline constexpr UiText LogPrintFailed{"The log list could not be printed:",
                                       "Die Log-Liste konnte nicht gedruckt werden:"};

} // namespace kalvor::texts
