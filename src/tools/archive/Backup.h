// Backup of a show into a ".kfa" archive with libzip: every file stored (PCM gains little
// from compression and would cost minutes), streamed block by block, ZIP64 where sizes
// need it, PathInfo.txt last. libzip writes the archive to a temporary file beside it and
// renames it only when complete, so an archive that exists is a whole one; a cancelled or
// failed backup leaves none. Any one thread per run; see ArchiveJob.h.
#pragma once

#include "tools/archive/ArchiveJob.h"

#include <QStringList>

#include <array>
#include <optional>

namespace kalvor {
class ShowStore;
}

namespace kalvor::archive {

// An archive already at the path: refused, or replaced once the new one is complete. The
// old one stays whole until then, so a backup that fails or is cancelled never costs the
// last good archive.
enum class ExistingArchive { Refuse, Replace };

// Writes `files` (full paths, in list order) and their PathInfo.txt into `archivePath`.
RunResult runBackup(const QStringList& files, const QString& archivePath, ArchiveObserver& observer,
                    JobControl& control, ExistingArchive existing = ExistingArchive::Refuse);

// The list a backup starts from: the playlist first (when there is one), then every sound
// of the sound lists in channel order, each path once.
QStringList backupList(const QString& playlistPath, const std::array<QStringList, 32>& soundLists);
QStringList backupListOfShow(const ShowStore& store);
// The same for a playlist file on disk, with its sounds found as a load finds them.
// nullopt with `error` set when the file is no playlist.
std::optional<QStringList> backupListOfPlaylistFile(const QString& path, QString* error);

} // namespace kalvor::archive
