// Restore of a ".kfa" archive with libzip. An archive is outside input: listing it checks
// every entry first (no absolute names, no "..", no symbolic links) and reads its
// PathInfo.txt through a temporary folder of ours; the restore then writes each file
// through a temporary file beside its target that is renamed only once the entry has been
// read whole and its checksum matched, so a damaged entry or a full disk never leaves a
// half-written file under a show's name. Any one thread per run; see ArchiveJob.h.
#pragma once

#include "tools/archive/ArchiveJob.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kalvor::archive {

struct ArchiveListing {
    bool ok = false;
    int errorCode = 0;
    QString error;               // why the archive cannot be restored at all
    QStringList sourcePaths;     // PathInfo.txt's lines, in order
    std::vector<qint64> entryOf; // per source path: its entry's index, -1 when none
    std::vector<qint64> sizes;   // per source path: the entry's size (0 when none)
    QStringList warnings;        // PathInfo.txt and the entries disagree
    bool madeOnWindows = false;  // some source path is a Windows path
};

// Lists the archive, with the system messages of the listing through `observer`.
ArchiveListing listArchive(const QString& archivePath, ArchiveObserver& observer);

// One file to restore: which PathInfo line, and where it goes.
struct RestoreItem {
    int source = 0; // index into ArchiveListing::sourcePaths
    QString target;
};

enum class Destination { SourcePaths, Folder };

// The targets for the lines chosen; refused lines (a Windows path for the source paths,
// a line that names no file for a folder) come back in `refused` with the reason.
std::vector<RestoreItem> planRestore(const ArchiveListing& listing, Destination destination,
                                     const QString& folder, QStringList* refused);

// Items whose target exists now or is the target of an earlier item: each needs the
// operator's Yes before it is written.
std::vector<int> overwriteConflicts(const std::vector<RestoreItem>& items);

// Writes the items in order ("Restoring file n = path"). A damaged entry is reported and
// passed over; an error writing the disk ends the run. What was written stays.
RunResult runRestore(const QString& archivePath, const ArchiveListing& listing,
                     const std::vector<RestoreItem>& items, ArchiveObserver& observer,
                     JobControl& control);

// Rewrites the restored playlist (the first of `targets` ending in ".kal") so that every
// line that is exactly a source path names the file in `folder`; the playlist as restored
// is kept under its name + "_old". False when there was no playlist or it could not be
// rewritten (`error` says which). `targets` is the run's RunResult::written, so that a
// playlist the run did not write is never touched.
struct RelinkResult {
    bool relinked = false;
    QString playlist;
    int linesChanged = 0;
    QString error;
};
RelinkResult RelinkPlaylist(const QString& folder, const QStringList& targets,
                            const QStringList& sourcePaths, ArchiveObserver& observer);

// The pure part: each line equal to a source path becomes folder + "/" + its file name.
int relinkLines(QStringList& lines, const QStringList& sourcePaths, const QString& folder);

} // namespace kalvor::archive
