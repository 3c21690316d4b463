#include "show/playlist/SoundPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace kalvor::playlist {

namespace {

// One stat() per sound: a show of 1600 sounds is checked on every load.
bool isFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

QString& showFolderValue() {
    static QString folder;
    return folder;
}

// Relative unless it starts at a root: "/", "\" or a drive ("C:\...", written on another
// system for that system's disks).
bool isRelative(const QString& native) {
    const bool drive =
        native.size() >= 2 && native.at(1) == QLatin1Char(':') && native.at(0).isLetter();
    return !native.isEmpty() && !native.startsWith(QLatin1Char('/')) && !drive;
}

} // namespace

void setShowFolder(const QString& folder) {
    showFolderValue() = folder;
}

QString showFolder() {
    return showFolderValue();
}

QString withNativeSeparators(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

const QStringList& SoundPathResolver::entriesOf(const QString& folder) {
    auto it = listings_.find(folder);
    if (it == listings_.end()) {
        // Sorted, so that two names differing only in case always resolve the same way.
        const QStringList names =
            QDir(folder.isEmpty() ? QStringLiteral(".") : folder)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name);
        it = listings_.insert(folder, names);
    }
    return *it;
}

SoundPathResolver::Result SoundPathResolver::resolve(const QString& written) {
    if (written.isEmpty())
        return {written, false};
    if (!base_.isEmpty() && isRelative(withNativeSeparators(written))) {
        const QString folder = base_.endsWith(QLatin1Char('/')) ? base_ : base_ + QLatin1Char('/');
        const Result inShowFolder = find(folder + written);
        if (inShowFolder.exists)
            return inShowFolder;
    }
    return find(written);
}

SoundPathResolver::Result SoundPathResolver::find(const QString& written) {
    if (isFile(written))
        return {written, true};
    const QString native = withNativeSeparators(written);
    if (native != written && isFile(native))
        return {native, true};

    const bool absolute = native.startsWith(QLatin1Char('/'));
    const QStringList parts = native.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        const bool last = i + 1 == parts.size();
        QString candidate = current + part;
        if (!QFileInfo::exists(candidate)) {
            candidate.clear();
            if (part != QLatin1String(".") && part != QLatin1String("..")) {
                for (const QString& name : entriesOf(current)) {
                    if (name.compare(part, Qt::CaseInsensitive) == 0) {
                        candidate = current + name;
                        break;
                    }
                }
            }
            if (candidate.isEmpty())
                return {native, false};
        }
        current = last ? candidate : candidate + QLatin1Char('/');
    }
    if (!isFile(current))
        return {native, false};
    return {current, true};
}

} // namespace kalvor::playlist
