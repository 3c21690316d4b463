#include "cli/ArchiveCommands.h"

#include "tools/archive/ArchivePaths.h"
#include "tools/archive/ArchiveTexts.h"
#include "tools/archive/Backup.h"
#include "tools/archive/Restore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kalvor::cli {

namespace {

using namespace archive;

// The system messages window of a terminal.
struct StderrMessages : ArchiveObserver {
    void message(const QString& line) override {
        std::fprintf(stderr, "%s\n", qUtf8Printable(line));
    }
};

void say(const QString& text) {
    std::fprintf(stderr, "%s\n",
                 qUtf8Printable(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"))));
}

int usage(const char* text) {
    std::fprintf(stderr, "usage: kalvor-tool %s\n", text);
    return 2;
}

} // namespace

int runBackupCommand(const QStringList& args) {
    QStringList positional;
    QStringList added;
    bool force = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--add") && i + 1 < args.size())
            added << QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QLatin1String("--force"))
            force = true;
        else if (args[i].startsWith(QLatin1String("--")))
            return usage("backup SHOW.kal OUT.kfa [--add FILE]... [--force]");
        else
            positional << args[i];
    }
    if (positional.size() != 2)
        return usage("backup SHOW.kal OUT.kfa [--add FILE]... [--force]");
    QString error;
    auto files = backupListOfPlaylistFile(positional[0], &error);
    if (!files) {
        say(txt(texts::ErrorDuringBackup).arg(53) + QLatin1Char('\n') + error);
        return 1;
    }
    for (const QString& f : added) {
        if (!files->contains(f))
            *files << f;
    }
    const QString archivePath = QFileInfo(withKfaExtension(positional[1])).absoluteFilePath();
    const bool replacing = QFileInfo::exists(archivePath);
    if (replacing && !force) {
        say(txt(texts::FileExists).arg(archivePath).section(QLatin1Char('\r'), 0, 0) +
            QStringLiteral(" (--force replaces it)"));
        return 1;
    }
    // The archive being replaced stays until the new one is complete: a backup that fails
    // halfway must not leave the show with no archive at all.
    QString target = archivePath;
    if (replacing) {
        QTemporaryFile part(archivePath + QStringLiteral(".XXXXXX.part"));
        if (!part.open()) {
            say(QStringLiteral("%1: %2").arg(part.fileName(), part.errorString()));
            return 1;
        }
        target = part.fileName();
        // The archive writer creates the file itself and refuses one that exists.
    }
    StderrMessages messages;
    JobControl control;
    const RunResult r = runBackup(*files, target, messages, control);
    if (!r.ok) {
        if (target != archivePath)
            QFile::remove(target);
        say(txt(texts::ErrorDuringBackup).arg(r.errorCode) + QLatin1Char('\n') + r.errorText);
        return 1;
    }
    if (target != archivePath && std::rename(QFile::encodeName(target).constData(),
                                             QFile::encodeName(archivePath).constData()) != 0) {
        say(QStringLiteral("%1 cannot replace %2: %3")
                .arg(target, archivePath, QString::fromLocal8Bit(std::strerror(errno))));
        QFile::remove(target);
        return 1;
    }
    say(txt(texts::BackupFinished).arg(r.count));
    return 0;
}

int runRestoreCommand(const QStringList& args) {
    QStringList positional;
    bool overwrite = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--overwrite"))
            overwrite = true;
        else if (a.startsWith(QLatin1String("--")))
            return usage("restore ARCHIVE.kfa DIR [--overwrite]");
        else
            positional << a;
    }
    if (positional.size() != 2)
        return usage("restore ARCHIVE.kfa DIR [--overwrite]");
    const QString archivePath = positional[0];
    const QString folder = QFileInfo(positional[1]).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        say(txt(texts::DirectoryMissing).arg(folder));
        return 1;
    }
    StderrMessages messages;
    const ArchiveListing listing = listArchive(archivePath, messages);
    if (!listing.ok) {
        say(txt(texts::ErrorDuringRestore).arg(listing.errorCode) + QLatin1Char('\n') +
            listing.error);
        return 1;
    }
    bool clean = listing.warnings.isEmpty();
    for (const QString& w : listing.warnings)
        say(w);
    QStringList refused;
    std::vector<RestoreItem> items = planRestore(listing, Destination::Folder, folder, &refused);
    for (const QString& r : refused)
        say(r);
    clean = clean && refused.isEmpty();
    // Before anything is written, the operator sees where every file goes.
    for (const RestoreItem& it : items)
        std::printf("%s\n", qUtf8Printable(it.target));
    std::fflush(stdout);
    if (!overwrite) {
        const std::vector<int> conflicts = overwriteConflicts(items);
        for (auto c = conflicts.rbegin(); c != conflicts.rend(); ++c) {
            say(txt(texts::SkippedExisting).arg(items[static_cast<std::size_t>(*c)].target) +
                QStringLiteral(" (--overwrite replaces it)"));
            items.erase(items.begin() + *c);
            clean = false;
        }
    }
    JobControl control;
    const RunResult r = runRestore(archivePath, listing, items, messages, control);
    for (const QString& p : r.problems)
        say(p);
    if (!r.errorText.isEmpty() || !r.problems.isEmpty()) {
        say(txt(texts::ErrorDuringRestore).arg(r.errorCode));
        say(txt(texts::FilesKept).arg(r.count));
    }
    QStringList targets;
    for (const RestoreItem& it : items)
        targets << it.target;
    const RelinkResult relink = RelinkPlaylist(folder, targets, listing.sourcePaths, messages);
    if (!relink.error.isEmpty()) {
        say(relink.error);
        clean = false;
    }
    QString done = txt(texts::RestoreFinished).arg(r.count);
    if (relink.relinked) {
        done += QLatin1Char('\n') + txt(texts::RestoreRelinked).arg(relink.playlist) +
                QLatin1Char('\n') + txt(texts::RestoreManualHint);
    }
    say(done);
    return clean && r.ok ? 0 : 1;
}

} // namespace kalvor::cli
