// Finding a sound named in a show file on this machine. Shows written on other systems
// use "\" between folders and do not care about letter case; the files on a Linux disk
// do. A path that exists as written is used as written (never lower-cased); otherwise
// "\" is taken as a separator and each component that does not exist is looked up
// without regard to case. A relative path belongs to the show that names it: it is looked
// up in the show's folder first, so a show folder that travels with its sounds plays
// wherever it is put, whatever folder the program was started from. UI thread (one
// resolver per load; it caches folder listings).
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <utility>

namespace kalvor::playlist {

// The folder of the show last loaded, which relative sound paths are taken from. Set by
// the playlist load before its sounds are looked for.
void setShowFolder(const QString& folder);
QString showFolder();

class SoundPathResolver {
public:
    // Relative paths are tried in `base` first (the loaded show's folder unless told
    // otherwise; empty: the working folder only).
    explicit SoundPathResolver(QString base = showFolder()) : base_(std::move(base)) {}

    struct Result {
        QString path; // the file found, or the path with native separators when missing
        bool exists = false;
    };

    Result resolve(const QString& pathAsWritten);

private:
    Result find(const QString& written);
    const QStringList& entriesOf(const QString& folder);
    QString base_;
    QHash<QString, QStringList> listings_;
};

// "\" as a separator, as the files of other systems have it.
QString withNativeSeparators(const QString& path);

} // namespace kalvor::playlist
