// Texts of the playlist files: the save question and progress box, the load messages,
// the missing-sound box, the text-reader link and the error descriptions the readers
// report with. English first, German second. UI thread (through txt()).
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

// Saving
inline constexpr UiText FileExistsOverwrite{"File exists! Overwrite?",
                                            "Datei schon vorhanden! Überschreiben?"};
inline constexpr UiText FileErrorTitle{"File Error", "Datei Fehler"};
inline constexpr UiText SavingPlaylistWait{"Saving Playlist - please wait...",
                                           "Playlist wird gespeichert - bitte warten..."};
inline constexpr UiText SavePlaylistTitle{"Save Playlist", "Playlist speichern"};
inline constexpr UiText PlaylistFilesFilter{"Playlist files (*.kal)|*.kal|",
                                            "Playlist Dateien (*.kal)|*.kal|"};
inline constexpr UiText AllFilesFilter{"All files (*.*)|*.*|", "Alle Dateien (*.*)|*.*|"};
// The system message list is not translated.
inline constexpr UiText SavingPlaylistAs{"Saving playlist as: ", "Saving playlist as: "};

// Loading
inline constexpr UiText LoadingPlaylist{"Loading playlist ", "Loading playlist "};
inline constexpr UiText LoadingFormat{" {Format ", " {Format "};
inline constexpr UiText PresetMemoryExceeded{
    "This Playlist exceeds the\r\navailable Preset memory space!",
    "Diese Playlist ist grösser als der\r\nreservierte Preset Speicher!"};
inline constexpr UiText PresetMemoryExceededTitle{"Kalvor", "Kalvor"};
inline constexpr UiText SoundMissingTitle{"Error while loading soundfile",
                                          "Fehler beim Laden von Sound Datei"};
inline constexpr UiText SoundMissingBefore{"The specified file: ", "Die angegebene Datei: "};
inline constexpr UiText SoundMissingAfter{"does not exist!", "ist nicht vorhanden!"};
// What the readers of formats 2..8 show, without the path.
inline constexpr UiText SoundMissingShort{"The specified file does not exist!",
                                          "Die angegebene Datei ist nicht vorhanden"};
inline constexpr UiText Error52Title{"Error 52 while loading file",
                                     "Fehler 52 beim Laden von Datei"};
inline constexpr UiText Error52Text{"File or drive not found!",
                                    "Datei oder Laufwerk nicht gefunden!"};
inline constexpr UiText LoadModulePrefix{"Load_Playlist_From_Disk / Format ",
                                         "Load_Playlist_From_Disk / Format "};
inline constexpr UiText SaveModule{"Save_Playlist_To_Disk", "Save_Playlist_To_Disk"};
inline constexpr UiText LoadRefusedWhileBusy{
    "Playlist not loaded (a show is being loaded or a preset recalled): ",
    "Playlist not loaded (a show is being loaded or a preset recalled): "};
inline constexpr UiText SaveRefusedWhileBusy{
    "Playlist not saved (a show is being loaded or saved): ",
    "Playlist not saved (a show is being loaded or saved): "};
// Where a read error left off: "Reading stopped at line 2463 (preset 2); ...".
inline constexpr UiText ReadStoppedAt{
    "Reading stopped at line %1 (%2); nothing after it was read.",
    "Reading stopped at line %1 (%2); nothing after it was read."};
inline constexpr UiText ReadStagePreset{"preset %1", "preset %1"};
inline constexpr UiText ReadStageLayout{"overview layout", "overview layout"};
inline constexpr UiText ReadStageLink{"text reader link", "text reader link"};
inline constexpr UiText ReadStageGpio{"GPIO block", "GPIO block"};
inline constexpr UiText UnexpectedLayoutLength{"Unexpected length of overview layout data!",
                                               "Unexpected length of overview layout data!"};

// The text reader's link
inline constexpr UiText TextReaderTitle{"Text Reader", "Text Anzeige"};
inline constexpr UiText TextReaderTitleOpen{"Text Reader (", "Text Anzeige ("};
inline constexpr UiText TextfileMissingBefore{"The textfile (",
                                              "Die mit dieser Playlist verknüpfte Text Datei ("};
inline constexpr UiText TextfileMissingAfter{") associated with this Playlist could not be found!",
                                             ") wurde nicht gefunden!"};

// The GPIO block of a show that brings none: every line without a function.
inline constexpr UiText GpioFunctionOff{"OFF (no function assigned)",
                                        "AUS (keine Funktion gewählt)"};

// Descriptions of the errors the readers and the writer report.
inline constexpr UiText ErrOverflow{"Overflow", "Überlauf"};
inline constexpr UiText ErrInputPastEnd{"Input past end of file", "Einlesen hinter Dateiende"};
inline constexpr UiText ErrOutOfMemory{"Out of memory", "Nicht genügend Speicher"};
inline constexpr UiText ErrPermissionDenied{"Permission denied", "Zugriff verweigert"};
inline constexpr UiText ErrDiskFull{"Disk full", "Datenträger voll"};
inline constexpr UiText ErrDeviceIo{"Device I/O error", "Fehler beim Geräte-E/A"};
inline constexpr UiText ErrPathFileAccess{"Path/File access error",
                                          "Fehler beim Zugriff auf Pfad/Datei"};

} // namespace kalvor::texts
