// The pure rules of a ".kfa" archive: the PathInfo.txt list, the entry name each source
// path gets inside the archive, where a restored file goes, and what an entry name from
// outside may not be. No I/O, so tests and the fuzzer feed them text directly. Any thread.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace kalvor::archive {

inline constexpr char kPathInfoName[] = "PathInfo.txt";

// The path list: each path followed by CR LF, then "~" and CR LF. UTF-8.
QByteArray writePathInfo(const QStringList& paths);

struct PathInfo {
    QStringList paths;
    bool terminated = false; // a "~" line ended the list (else the file just ended)
};
// Reads lines up to "~" or the end; CR LF or LF; each line UTF-8 or else Windows-1252.
// Empty lines are no paths and are passed over.
PathInfo readPathInfo(QByteArrayView contents);

// "C:\Shows\a.wav", "\\server\share\a.wav" or any path with a backslash: a path made on
// Windows, which has no meaning as a target on this machine.
bool isWindowsPath(const QString& path);

// The part after the last "/" or "\".
QString fileNamePart(const QString& path);

// The longest folder that every path lies in, with "/" or "\" both taken as separators,
// ending in a separator; empty when the paths share none.
QString commonFolder(const QStringList& paths);

// The entry name of each path: its path relative to the common folder of all of them,
// with "/" between folders, so an archive unpacked by hand looks like the show.
QStringList entryNames(const QStringList& paths);

// Why an entry name from an archive may not be unpacked, or nullopt when it is fine:
// absolute names (also "C:\...", "C:/..." and "\..."), and names with a ".." component.
enum class EntryRefusal { Absolute, ParentFolder };
std::optional<EntryRefusal> refuseEntryName(const QString& name);

// The target of a file restored into `folder`: folder + "/" + the file name part of the
// source path. nullopt when the source names no file that stays inside the folder
// (empty, "." or "..").
std::optional<QString> targetInFolder(const QString& folder, const QString& sourcePath);

// The archive name as the operator typed it: ".kfa" appended when it does not contain it.
QString withKfaExtension(const QString& name);

} // namespace kalvor::archive
