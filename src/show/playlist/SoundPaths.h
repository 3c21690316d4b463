// Finding a sound named in a show file on this machine. Shows written on other systems
// use "\" between folders and do not care about letter case; the files on a Linux disk
// do. A path that exists as written is used as written (never lower-cased); otherwise
// "\" is taken as a separator and each component that does not exist is looked up
// without regard to case. UI thread (one resolver per load; it caches folder listings).
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace kalvor::playlist {

class SoundPathResolver {
public:
    struct Result {
        QString path; // the file found, or the path with native separators when missing
        bool exists = false;
    };

    Result resolve(const QString& pathAsWritten);

private:
    const QStringList& entriesOf(const QString& folder);
    QHash<QString, QStringList> listings_;
};

// "\" as a separator, as the files of other systems have it.
QString withNativeSeparators(const QString& path);

} // namespace kalvor::playlist
