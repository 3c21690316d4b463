// The play log's files: the complete ".klg" form (every cell's text and format, the
// header row and the number column, the list's font) and the tab-separated ".txt"
// export and import. Pure conversions between lines and a document, plus the atomic
// file reads and writes around them, so tests and the fuzzer feed them text directly.
#pragma once

#include "mainwindow/PlayLog.h"

#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

namespace kalvor {

struct LogDocument {
    LogRowCells header;
    std::vector<LogRowCells> rows;
    QString fontName = QStringLiteral("Tahoma");
    double fontSize = 9;
    bool fontBold = false;
    bool fontItalic = false;
    bool hasFont = true; // a ".txt" file carries none: the list keeps its own
};

// What went wrong reading a file, in words for the operator (current language).
struct LogReadError {
    QString text;
};

QStringList klgLines(const LogDocument& doc);
std::optional<LogDocument> parseKlg(const QStringList& lines, LogReadError* error = nullptr);

QStringList txtLines(const LogDocument& doc);
// The first line is the header row; every line must have the grid's seven cells.
std::optional<LogDocument> parseTxt(const QStringList& lines, LogReadError* error = nullptr);

// Reads or writes by the file's ending: ".txt" as text, anything else in the ".klg" form.
// Writes go to a temporary file that replaces the old one only when complete.
std::optional<LogDocument> readLogFile(const QString& path, LogReadError* error = nullptr);
bool writeLogFile(const QString& path, const LogDocument& doc, QString* error = nullptr);

// A name without ".klg" or ".txt" in it gets ".klg".
QString withLogEnding(const QString& path);

// "Log Backup (2026-12-06 22-05-09).klg": the date in ISO form, because a locale's short
// date can hold "/", which a file name cannot.
QString logBackupFileName(const QDateTime& when);

// The list as a document and back (rows renumbered on the way in).
LogDocument logDocument(const PlayLog& log);
void applyLogDocument(PlayLog& log, LogDocument doc);

} // namespace kalvor
