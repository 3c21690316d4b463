// Reading and writing the program's line-based text files (playlists, layouts, lists).
// Files are written as UTF-8 with CR LF through QSaveFile, so a crash or a full disk in
// the middle of a save leaves the previous file whole. Files are read with CR LF or LF,
// each line as UTF-8 or, where it is not valid UTF-8, as Windows-1252, so files written
// by other systems still open. Any thread; no shared state.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>

namespace kalvor {

// Decodes one line: UTF-8 if it is valid UTF-8, otherwise Windows-1252.
QString decodeLine(QByteArrayView bytes);

// Splits file contents into decoded lines. A final line without a line end counts; a
// lone CR before the LF is dropped. Lines are not trimmed.
QStringList splitTextLines(QByteArrayView contents);

// Reads the rest of an open file into `contents`; false after a read error. readAll()
// takes the first short read for the end of the file and drops the error that follows
// it, so a file on a failing stick or share would come in cut off as if it were whole.
bool readToEnd(QFile& file, QByteArray& contents);

// Reads a whole text file; nullopt (with `error` set) when it cannot be opened or read.
std::optional<QStringList> readTextLines(const QString& path, QString* error = nullptr);

// Writes `lines`, each followed by CR LF, to a temporary file beside `path` and renames it
// over `path` once everything reached the disk. False (with `error` set) when anything
// failed; the previous file is then untouched.
bool writeTextLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// The same for prepared contents.
bool writeFileAtomically(const QString& path, QByteArrayView contents, QString* error = nullptr);

} // namespace kalvor
