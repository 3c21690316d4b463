// Texts of the text reader window. English first, German second. The window titles
// ("Text Reader", "Text Reader (") are the playlist loader's, which sets them too.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText ReaderNewQuestion{"Would you like to create a new text ?",
                                          "Möchten Sie einen neuen Text anlegen ?"};
inline constexpr UiText ReaderCloseQuestion{"Would you like to delete this text ?",
                                            "Möchten Sie diesen Text löschen ?"};
inline constexpr UiText ReaderSearchPrompt{"Search for...", "Suche nach..."};
inline constexpr UiText ReaderSearchNotFound{"Search text not found!", "Suchtext nicht gefunden!"};
inline constexpr UiText ReaderLoadTitle{"Load Text File...", "Text Datei laden..."};
inline constexpr UiText ReaderSaveTitle{"Save Text File...", "Text Datei speichern..."};
inline constexpr UiText ReaderRtfFilter{"RTF files (*.rtf)", "RTF Dateien (*.rtf)"};
inline constexpr UiText ReaderTxtFilter{"Text files (*.txt)", "Text Dateien (*.txt)"};
inline constexpr UiText ReaderAllFilter{"All files (*)", "Alle Dateien (*)"};
inline constexpr UiText ReaderLoadError{"Load Error", "Lade Fehler"};
inline constexpr UiText ReaderFileNotFound{"File not found!", "Datei nicht gefunden!"};
inline constexpr UiText ReaderFileError{"File Error", "Datei Fehler"};
inline constexpr UiText ReaderFileExists{"File exists! Overwrite?",
                                         "Datei schon vorhanden! Überschreiben?"};
inline constexpr UiText ReaderSaveFailed{"The text could not be saved:",
                                         "Der Text konnte nicht gespeichert werden:"};
inline constexpr UiText ReaderUnreadable{"The file cannot be read:",
                                         "Die Datei kann nicht gelesen werden:"};
inline constexpr UiText ReaderNotRtf{"The file is not an RTF document:",
                                     "Die Datei ist kein RTF Dokument:"};
inline constexpr UiText ReaderTooDeep{
    "The RTF document is nested too deeply to be read (damaged file?):",
    "Das RTF Dokument ist zu tief verschachtelt (beschädigte Datei?):"};
inline constexpr UiText ReaderTruncated{
    "The RTF document ends early; the text may be incomplete:",
    "Das RTF Dokument endet vorzeitig; der Text ist eventuell unvollständig:"};
inline constexpr UiText ReaderPasteSoundInfo{"Paste sound info...",
                                             "Sound Information einfügen..."};
inline constexpr UiText ReaderSaveLine{"Save line", "Zeile speichern"};
inline constexpr UiText ReaderSaveLineTip{"Store the cursor position in the selected preset",
                                          "Cursorposition im gewählten Preset speichern"};
inline constexpr UiText ReaderPresets{"Presets", "Presets"};
inline constexpr UiText ReaderChannels{"Channels 1 - 8", "Kanäle 1 - 8"};

// Toolbar tooltips, by button.
inline constexpr UiText ReaderTipNew{"Create new file", "Neue Datei erzeugen"};
inline constexpr UiText ReaderTipOpen{"Open file", "Datei öffnen"};
inline constexpr UiText ReaderTipSave{"Save file", "Datei speichern"};
inline constexpr UiText ReaderTipSaveAs{"Save file as ...", "Datei speichern unter ..."};
inline constexpr UiText ReaderTipClose{"Close file", "Datei schliessen"};
inline constexpr UiText ReaderTipPrint{"Print Text", "Text drucken"};
inline constexpr UiText ReaderTipUndo{"Undo", "Rückgängig"};
inline constexpr UiText ReaderTipCut{"Cut range", "Bereich ausschneiden"};
inline constexpr UiText ReaderTipCopy{"Copy range", "Bereich kopieren"};
inline constexpr UiText ReaderTipPaste{"Paste range", "Bereich einfügen"};
inline constexpr UiText ReaderTipDelete{"Delete range", "Bereich löschen"};
inline constexpr UiText ReaderTipFind{"Find text", "Text suchen"};
inline constexpr UiText ReaderTipFont{"Change Font", "Zeichensatz auswählen"};
inline constexpr UiText ReaderTipBold{"Text bold", "Text fett"};
inline constexpr UiText ReaderTipItalic{"Text italic", "Text kursiv"};
inline constexpr UiText ReaderTipUnderline{"Text underlined", "Text unterstrichen"};
inline constexpr UiText ReaderTipLeft{"Text left aligned", "Text linksbündig"};
inline constexpr UiText ReaderTipCentre{"Text centred", "Text zentriert"};
inline constexpr UiText ReaderTipRight{"Text right aligned", "Text rechtbündig"};
inline constexpr UiText ReaderTipExit{"Close Text Reader", "Text Anzeige schliessen"};

} // namespace kalvor::texts
