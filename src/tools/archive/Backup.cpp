#include "tools/archive/Backup.h"

#include "core/ShowStore.h"
#include "show/playlist/PlaylistFiles.h"
#include "show/playlist/SoundPaths.h"
#include "tools/archive/ArchivePaths.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace kalvor::archive {

namespace {

const QString kOk = QStringLiteral("o.k.");

// What every file source shares: the totals for the progress and the operator's control.
struct BackupRun {
    ArchiveObserver& observer;
    JobControl& control;
    QStringList files;
    QString archive;
    qint64 total = 0;
    qint64 done = 0;
    qint64 lastReported = 0;
    bool cancelled = false;
    int failedErrno = 0;
    QString failedFile{};
};

// One entry's data, read from its file only while libzip writes that entry, so a show of
// thousands of files never holds more than one of them open, and the bytes read are the
// progress.
struct FileSource {
    BackupRun* run;
    int index = -1; // -1: PathInfo.txt, which is not in the operator's list
    QString path;
    qint64 size = 0;
    time_t mtime = 0;
    std::FILE* file = nullptr;
    zip_error_t error;
};

zip_int64_t fileSourceCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* src = static_cast<FileSource*>(userdata);
    BackupRun& run = *src->run;
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        src->file = std::fopen(QFile::encodeName(src->path).constData(), "rb");
        if (!src->file) {
            run.failedErrno = errno;
            run.failedFile = src->path;
            zip_error_set(&src->error, ZIP_ER_OPEN, errno);
            return -1;
        }
        if (src->index >= 0) {
            run.observer.message(
                QStringLiteral("Writing %1 to Archive %2").arg(src->path, run.archive));
            run.observer.fileStarted(src->index);
        }
        return 0;
    case ZIP_SOURCE_READ: {
        if (!run.control.checkpoint()) {
            run.cancelled = true;
            zip_error_set(&src->error, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        const std::size_t n = std::fread(data, 1, len, src->file);
        if (n < len && std::ferror(src->file)) {
            run.failedErrno = errno ? errno : EIO;
            run.failedFile = src->path;
            zip_error_set(&src->error, ZIP_ER_READ, run.failedErrno);
            return -1;
        }
        run.done += static_cast<qint64>(n);
        if (run.done - run.lastReported >= (qint64{1} << 20)) {
            run.lastReported = run.done;
            run.observer.progress(run.done, run.total);
        }
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        if (src->file)
            std::fclose(src->file);
        src->file = nullptr;
        run.observer.progress(run.done, run.total);
        if (src->index >= 0) {
            run.observer.fileFinished(src->index);
            run.observer.message(kOk);
        }
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD;
        st->size = static_cast<zip_uint64_t>(src->size);
        st->mtime = src->mtime;
        st->comp_method = ZIP_CM_STORE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&src->error, data, len);
    case ZIP_SOURCE_FREE:
        if (src->file)
            std::fclose(src->file);
        zip_error_fini(&src->error);
        delete src;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        zip_error_set(&src->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

RunResult failure(int code, const QString& text) {
    RunResult r;
    r.ok = false;
    r.errorCode = code;
    r.errorText = text;
    return r;
}

bool addFile(zip_t* za, BackupRun& run, int index, const QString& path, const QString& entry,
             QString* error) {
    const QFileInfo info(path);
    auto* src = new FileSource{
        &run, index, path, info.size(), info.lastModified().toSecsSinceEpoch(), nullptr, {}};
    zip_error_init(&src->error);
    zip_source_t* source = zip_source_function(za, fileSourceCallback, src);
    if (!source) {
        zip_error_fini(&src->error);
        delete src;
        *error = QString::fromUtf8(zip_strerror(za));
        return false;
    }
    const zip_int64_t idx = zip_file_add(za, entry.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (idx < 0) {
        zip_source_free(source);
        *error = QStringLiteral("%1: %2").arg(entry, QString::fromUtf8(zip_strerror(za)));
        return false;
    }
    zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
    return true;
}

} // namespace

RunResult runBackup(const QStringList& files, const QString& archivePath, ArchiveObserver& observer,
                    JobControl& control, ExistingArchive existing) {
    // Every file must be there before anything is written: a show backed up without one of
    // its sounds would only be found out at the next venue.
    QStringList unreadable;
    qint64 total = 0;
    for (const QString& f : files) {
        const QFileInfo info(f);
        if (!info.isFile() || !info.isReadable())
            unreadable << f;
        else
            total += info.size();
    }
    if (!unreadable.isEmpty()) {
        return failure(53, QStringLiteral("File not found:\r\n") +
                               unreadable.join(QStringLiteral("\r\n")));
    }
    const QStringList names = entryNames(files);
    for (const QString& n : names) {
        if (n.compare(QLatin1String(kPathInfoName), Qt::CaseInsensitive) == 0)
            return failure(58, QStringLiteral("%1: a file of this name would be mistaken for the "
                                              "archive's own path list; rename it first.")
                                   .arg(files.at(names.indexOf(n))));
    }

    observer.message(QStringLiteral("Creating PathInfo.txt..."));
    // PathInfo.txt lives in a folder of our own for the length of the run: the program's
    // folder is not writable here, and two runs must not share one file.
    QTemporaryDir temp;
    if (!temp.isValid())
        return failure(75, temp.errorString());
    const QString pathInfoFile = temp.filePath(QLatin1String(kPathInfoName));
    observer.message(QStringLiteral("Writing PathInfo.txt contents..."));
    {
        QFile out(pathInfoFile);
        const QByteArray bytes = writePathInfo(files);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush())
            return failure(75, out.errorString());
    }
    observer.message(kOk);

    observer.message(QStringLiteral("Starting Backup process..."));
    int zerr = 0;
    // With ZIP_TRUNCATE libzip ignores the old archive's contents and renames the new one
    // over it only in zip_close; zip_discard leaves it as it was.
    const int replace = existing == ExistingArchive::Replace ? ZIP_TRUNCATE : ZIP_EXCL;
    zip_t* za = zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | replace, &zerr);
    if (!za) {
        zip_error_t e;
        zip_error_init_with_code(&e, zerr);
        RunResult r = failure(zerr, QStringLiteral("%1: %2").arg(
                                        archivePath, QString::fromUtf8(zip_error_strerror(&e))));
        zip_error_fini(&e);
        return r;
    }
    BackupRun run{observer, control, files, archivePath};
    run.total = total + QFileInfo(pathInfoFile).size();
    QString error;
    for (int i = 0; i < files.size(); ++i) {
        if (!addFile(za, run, i, files.at(i), names.at(i), &error)) {
            zip_discard(za);
            return failure(ZIP_ER_INVAL, error);
        }
    }
    observer.message(QStringLiteral("Adding PathInfo.txt to Archive..."));
    if (!addFile(za, run, -1, pathInfoFile, QLatin1String(kPathInfoName), &error)) {
        zip_discard(za);
        return failure(ZIP_ER_INVAL, error);
    }
    // libzip writes every entry here, calling the sources above one after the other.
    if (zip_close(za) != 0) {
        zip_error_t* e = zip_get_error(za);
        RunResult r;
        r.ok = false;
        r.cancelled = run.cancelled;
        r.errorCode = run.failedErrno ? run.failedErrno : zip_error_code_zip(e);
        const QString why = QString::fromUtf8(zip_error_strerror(e));
        r.errorText = run.failedFile.isEmpty() ? QStringLiteral("%1: %2").arg(archivePath, why)
                                               : QStringLiteral("%1: %2").arg(run.failedFile, why);
        zip_discard(za);
        return r;
    }
    observer.message(kOk);
    observer.message(QStringLiteral("Deleting PathInfo.txt"));
    QFile::remove(pathInfoFile);
    observer.message(kOk);
    observer.message(QStringLiteral("Backup process finished."));
    RunResult r;
    r.count = static_cast<int>(files.size());
    return r;
}

QStringList backupList(const QString& playlistPath, const std::array<QStringList, 32>& soundLists) {
    QStringList list;
    if (!playlistPath.isEmpty())
        list << playlistPath;
    for (const QStringList& sounds : soundLists) {
        for (const QString& s : sounds) {
            if (!s.isEmpty() && !list.contains(s))
                list << s;
        }
    }
    return list;
}

QStringList backupListOfShow(const ShowStore& store) {
    // The lists keep each path as the playlist writes it; the files are the ones a load
    // finds, so the backup takes those (and a missing one as written, to be named).
    playlist::SoundPathResolver resolver;
    std::array<QStringList, 32> lists;
    for (int ch = 0; ch < 32; ++ch) {
        for (const SoundEntry& e : store.soundList(ch))
            lists[static_cast<std::size_t>(ch)] << resolver.resolve(e.path).path;
    }
    return backupList(store.playlistPath(), lists);
}

std::optional<QStringList> backupListOfPlaylistFile(const QString& path, QString* error) {
    QString openError;
    const playlist::PlaylistReadResult read = playlist::readPlaylistFile(path, &openError);
    if (!openError.isEmpty()) {
        *error = openError;
        return std::nullopt;
    }
    if (read.status == playlist::ReadStatus::UnknownFormat) {
        *error = QStringLiteral("%1 is no playlist file").arg(path);
        return std::nullopt;
    }
    playlist::SoundPathResolver resolver(QFileInfo(path).absolutePath());
    std::array<QStringList, 32> lists;
    for (std::size_t ch = 0; ch < 32; ++ch) {
        for (const QString& written : read.document.soundPaths[ch])
            lists[ch] << resolver.resolve(written).path;
    }
    return backupList(QFileInfo(path).absoluteFilePath(), lists);
}

} // namespace kalvor::archive
