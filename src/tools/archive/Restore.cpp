#include "tools/archive/Restore.h"

#include "core/TextLines.h"
#include "tools/archive/ArchivePaths.h"
#include "tools/archive/ArchiveTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <sys/stat.h>

#include <memory>

namespace kalvor::archive {

namespace {

const QString kOk = QStringLiteral("o.k.");
constexpr qint64 kMaxPathInfoSize = qint64{64} << 20;
constexpr qint64 kBlock = qint64{1} << 20;
constexpr int kDiskFull = 61;
constexpr int kFileAccess = 75;
constexpr int kPathNotFound = 76;

struct ZipCloser {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipFileHandle = std::unique_ptr<zip_file_t, ZipFileCloser>;

ZipHandle openArchive(const QString& path, int flags, int* code, QString* why) {
    int zerr = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), flags, &zerr);
    if (!za) {
        zip_error_t e;
        zip_error_init_with_code(&e, zerr);
        *code = zerr;
        *why = QString::fromUtf8(zip_error_strerror(&e));
        zip_error_fini(&e);
    }
    return ZipHandle(za);
}

QString entryName(zip_t* za, zip_uint64_t i) {
    const char* name = zip_get_name(za, i, ZIP_FL_ENC_GUESS);
    return name ? QString::fromUtf8(name) : QString();
}

bool isSymlink(zip_t* za, zip_uint64_t i) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, i, 0, &opsys, &attributes) != 0)
        return false;
    return opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

// Reads a whole entry into memory; only for PathInfo.txt, whose size is capped.
bool readEntry(zip_t* za, zip_uint64_t index, QByteArray* out, QString* why) {
    ZipFileHandle f(zip_fopen_index(za, index, 0));
    if (!f) {
        *why = QString::fromUtf8(zip_strerror(za));
        return false;
    }
    QByteArray block(static_cast<qsizetype>(kBlock), Qt::Uninitialized);
    for (;;) {
        const zip_int64_t n = zip_fread(f.get(), block.data(), static_cast<zip_uint64_t>(kBlock));
        if (n < 0) {
            *why = QString::fromUtf8(zip_file_strerror(f.get()));
            return false;
        }
        if (n == 0)
            return true;
        if (out->size() + n > kMaxPathInfoSize) {
            *why = QStringLiteral("larger than %1 bytes").arg(kMaxPathInfoSize);
            return false;
        }
        out->append(block.constData(), static_cast<qsizetype>(n));
    }
}

ArchiveListing refused(ArchiveListing l, int code, const QString& why) {
    l.ok = false;
    l.errorCode = code;
    l.error = why;
    return l;
}

} // namespace

ArchiveListing listArchive(const QString& archivePath, ArchiveObserver& observer) {
    ArchiveListing l;
    int code = 0;
    QString why;
    ZipHandle za = openArchive(archivePath, ZIP_RDONLY | ZIP_CHECKCONS, &code, &why);
    if (!za)
        return refused(std::move(l), code, txt(texts::ArchiveUnreadable).arg(archivePath, why));

    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    zip_int64_t pathInfo = -1;
    QHash<QString, zip_int64_t> byName;
    QHash<QString, QList<zip_int64_t>> byFileName;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto u = static_cast<zip_uint64_t>(i);
        const QString name = entryName(za.get(), u);
        QString reason;
        if (const auto r = refuseEntryName(name))
            reason = txt(*r == EntryRefusal::Absolute ? texts::EntryAbsolute : texts::EntryParent);
        else if (isSymlink(za.get(), u))
            reason = txt(texts::EntrySymlink);
        if (!reason.isEmpty()) {
            return refused(std::move(l), ZIP_ER_INCONS,
                           txt(texts::ArchiveHostileEntry).arg(archivePath, name, reason));
        }
        if (name == QLatin1String(kPathInfoName)) {
            pathInfo = i;
            continue;
        }
        if (name.endsWith(QLatin1Char('/')))
            continue; // a folder entry of an archive packed by hand
        byName.insert(name, i);
        byFileName[fileNamePart(name)].append(i);
    }
    if (pathInfo < 0)
        return refused(std::move(l), ZIP_ER_NOENT, txt(texts::ArchiveNoPathInfo).arg(archivePath));

    observer.message(QStringLiteral("Extracting PathInfo.txt from Archive..."));
    QByteArray contents;
    if (!readEntry(za.get(), static_cast<zip_uint64_t>(pathInfo), &contents, &why)) {
        return refused(
            std::move(l), ZIP_ER_CRC,
            txt(texts::ArchiveUnreadable)
                .arg(archivePath, QLatin1String(kPathInfoName) + QLatin1String(": ") + why));
    }
    // The list passes through a file of our own, as the backup wrote it: a folder made for
    // this one listing, gone with it.
    QTemporaryDir temp;
    const QString file = temp.filePath(QLatin1String(kPathInfoName));
    if (temp.isValid()) {
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write(contents);
    }
    observer.message(kOk);
    observer.message(QStringLiteral("Opening PathInfo.txt..."));
    QFile in(file);
    if (in.open(QIODevice::ReadOnly))
        contents = in.readAll();
    observer.message(QStringLiteral("Reading PathInfo.txt contents..."));
    const PathInfo info = readPathInfo(contents);
    observer.message(QStringLiteral("Deleting PathInfo.txt..."));
    in.close();
    QFile::remove(file);
    observer.message(kOk);

    l.sourcePaths = info.paths;
    const QStringList names = entryNames(info.paths);
    QSet<zip_int64_t> used;
    for (qsizetype i = 0; i < info.paths.size(); ++i) {
        zip_int64_t entry = byName.value(names.at(i), -1);
        if (entry < 0 || used.contains(entry)) {
            // An archive packed some other way: the first unused entry of that file name.
            entry = -1;
            for (zip_int64_t candidate : byFileName.value(fileNamePart(info.paths.at(i)))) {
                if (!used.contains(candidate)) {
                    entry = candidate;
                    break;
                }
            }
        }
        qint64 size = 0;
        if (entry >= 0) {
            used.insert(entry);
            zip_stat_t st;
            if (zip_stat_index(za.get(), static_cast<zip_uint64_t>(entry), 0, &st) == 0)
                size = static_cast<qint64>(st.size);
        } else {
            l.warnings << txt(texts::PathInfoNoEntry).arg(info.paths.at(i));
        }
        l.entryOf.push_back(entry);
        l.sizes.push_back(size);
        if (isWindowsPath(info.paths.at(i)))
            l.madeOnWindows = true;
    }
    const qsizetype unlisted = byName.size() - used.size();
    if (unlisted > 0)
        l.warnings << txt(texts::EntryNotListed).arg(unlisted);
    l.ok = true;
    return l;
}

std::vector<RestoreItem> planRestore(const ArchiveListing& listing, Destination destination,
                                     const QString& folder, QStringList* refusedLines) {
    std::vector<RestoreItem> items;
    for (qsizetype i = 0; i < listing.sourcePaths.size(); ++i) {
        const QString& source = listing.sourcePaths.at(i);
        if (destination == Destination::SourcePaths) {
            if (isWindowsPath(source)) {
                *refusedLines << txt(texts::WindowsSourcePaths).arg(source);
                continue;
            }
            if (!QDir::isAbsolutePath(source)) {
                *refusedLines << txt(texts::NoFileName).arg(source, QStringLiteral("/"));
                continue;
            }
            items.push_back({static_cast<int>(i), QDir::cleanPath(source)});
            continue;
        }
        const auto target = targetInFolder(folder, source);
        if (!target) {
            *refusedLines << txt(texts::NoFileName).arg(source, folder);
            continue;
        }
        items.push_back({static_cast<int>(i), *target});
    }
    return items;
}

std::vector<int> overwriteConflicts(const std::vector<RestoreItem>& items) {
    std::vector<int> conflicts;
    QSet<QString> earlier;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QString& t = items[i].target;
        if (earlier.contains(t) || QFileInfo::exists(t))
            conflicts.push_back(static_cast<int>(i));
        earlier.insert(t);
    }
    return conflicts;
}

RunResult runRestore(const QString& archivePath, const ArchiveListing& listing,
                     const std::vector<RestoreItem>& items, ArchiveObserver& observer,
                     JobControl& control) {
    RunResult r;
    int code = 0;
    QString why;
    ZipHandle za = openArchive(archivePath, ZIP_RDONLY, &code, &why);
    if (!za) {
        r.ok = false;
        r.errorCode = code;
        r.errorText = txt(texts::ArchiveUnreadable).arg(archivePath, why);
        return r;
    }
    observer.message(QStringLiteral("Starting Restore process..."));
    qint64 total = 0;
    for (const RestoreItem& it : items)
        total += listing.sizes.at(static_cast<std::size_t>(it.source));
    qint64 done = 0;
    QByteArray block(static_cast<qsizetype>(kBlock), Qt::Uninitialized);

    for (std::size_t n = 0; n < items.size(); ++n) {
        if (!control.checkpoint()) {
            observer.message(QStringLiteral("Restore process cancelled on user request"));
            r.cancelled = true;
            break;
        }
        const RestoreItem& it = items[n];
        const zip_int64_t entry = listing.entryOf.at(static_cast<std::size_t>(it.source));
        observer.message(QStringLiteral("Restoring file %1 = %2").arg(n + 1).arg(it.target));
        observer.fileStarted(static_cast<int>(n));
        if (entry < 0) {
            r.problems << txt(texts::FileNotRestored)
                              .arg(it.target, txt(texts::PathInfoNoEntry)
                                                  .arg(listing.sourcePaths.at(it.source)));
            continue;
        }
        if (!QFileInfo(QFileInfo(it.target).absolutePath()).isDir()) {
            r.problems << txt(texts::FileNotRestored)
                              .arg(it.target, txt(texts::DirectoryMissing)
                                                  .arg(QFileInfo(it.target).absolutePath())
                                                  .section(QLatin1Char('\r'), 0, 0));
            if (!r.errorCode)
                r.errorCode = kPathNotFound;
            continue;
        }
        ZipFileHandle f(zip_fopen_index(za.get(), static_cast<zip_uint64_t>(entry), 0));
        QSaveFile out(it.target);
        if (!f || !out.open(QIODevice::WriteOnly)) {
            r.problems << txt(texts::FileNotRestored)
                              .arg(it.target, f ? out.errorString()
                                                : QString::fromUtf8(zip_strerror(za.get())));
            if (!r.errorCode)
                r.errorCode = kFileAccess;
            continue;
        }
        bool damaged = false;
        bool writeFailed = false;
        bool stopped = false;
        for (;;) {
            if (!control.checkpoint()) {
                stopped = true;
                break;
            }
            const zip_int64_t got =
                zip_fread(f.get(), block.data(), static_cast<zip_uint64_t>(kBlock));
            if (got < 0) {
                damaged = true;
                why = QString::fromUtf8(zip_file_strerror(f.get()));
                break;
            }
            if (got == 0)
                break;
            if (out.write(block.constData(), got) != got) {
                writeFailed = true;
                break;
            }
            done += got;
            observer.progress(done, total);
        }
        if (stopped) {
            out.cancelWriting();
            observer.message(QStringLiteral("Restore process cancelled on user request"));
            r.cancelled = true;
            break;
        }
        if (damaged) {
            out.cancelWriting();
            r.problems << txt(texts::FileNotRestored).arg(it.target, why);
            if (!r.errorCode)
                r.errorCode = ZIP_ER_CRC;
            continue;
        }
        if (writeFailed || !out.commit()) {
            // A disk that cannot take this file will not take the next one either.
            const QString error = out.errorString();
            out.cancelWriting();
            const QStorageInfo disk(QFileInfo(it.target).absolutePath());
            r.ok = false;
            r.errorCode = disk.bytesAvailable() < kBlock ? kDiskFull : kFileAccess;
            r.errorText = txt(texts::FileNotRestored).arg(it.target, error);
            r.problems << r.errorText;
            break;
        }
        ++r.count;
        r.written << it.target;
        observer.fileFinished(static_cast<int>(n));
        observer.message(kOk);
    }
    if (!r.problems.isEmpty())
        r.ok = false;
    if (r.ok && !r.cancelled)
        observer.message(QStringLiteral("Restore o.k."));
    observer.message(QStringLiteral("Restore process finished."));
    return r;
}

int relinkLines(QStringList& lines, const QStringList& sourcePaths, const QString& folder) {
    const QSet<QString> sources(sourcePaths.begin(), sourcePaths.end());
    int changed = 0;
    for (QString& line : lines) {
        if (!sources.contains(line))
            continue;
        if (const auto target = targetInFolder(folder, line)) {
            line = *target;
            ++changed;
        }
    }
    return changed;
}

RelinkResult RelinkPlaylist(const QString& folder, const QStringList& targets,
                            const QStringList& sourcePaths, ArchiveObserver& observer) {
    RelinkResult result;
    observer.message(QStringLiteral("Searching for first Playlist entry..."));
    for (const QString& t : targets) {
        if (t.right(4).compare(QLatin1String(".kal"), Qt::CaseInsensitive) == 0) {
            result.playlist = t;
            break;
        }
    }
    if (result.playlist.isEmpty()) {
        observer.message(QStringLiteral("No Playlist found in archive!"));
        return result;
    }
    observer.message(QStringLiteral("Opening Playlist ") + result.playlist);
    observer.message(QStringLiteral("Reading all Playlist entries..."));
    QString error;
    std::optional<QStringList> lines = readTextLines(result.playlist, &error);
    if (!lines) {
        result.error = error;
        return result;
    }
    observer.message(QStringLiteral("Searching and relinking Playlist entries..."));
    result.linesChanged = relinkLines(*lines, sourcePaths, folder);
    observer.message(QStringLiteral("Relinking done."));
    observer.message(QStringLiteral("Renaming original Playlist..."));
    const QString old = result.playlist + QLatin1String("_old");
    QFile::remove(old);
    if (!QFile::rename(result.playlist, old)) {
        result.error = QStringLiteral("%1 cannot be renamed to %2").arg(result.playlist, old);
        return result;
    }
    observer.message(QStringLiteral("Creating new/empty Playlist file..."));
    observer.message(QStringLiteral("Writing relinked Playlist back to disk..."));
    if (!writeTextLines(result.playlist, *lines, &error)) {
        // A full disk: the playlist as restored goes back under its name rather than
        // leaving the folder without one.
        QFile::rename(old, result.playlist);
        result.error = QStringLiteral("%1: %2").arg(result.playlist, error);
        return result;
    }
    observer.message(QStringLiteral("Relinked Playlist written."));
    result.relinked = true;
    return result;
}

} // namespace kalvor::archive
