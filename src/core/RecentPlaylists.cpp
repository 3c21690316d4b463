#include "core/RecentPlaylists.h"

#include "core/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kalvor {

RecentPlaylists::RecentPlaylists(QObject* parent) : QObject(parent) {}

QString RecentPlaylists::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/kalvor.playlists");
}

QString RecentPlaylists::path(int index) const {
    if (index < 0 || index >= kRecentPlaylistSlots)
        return {};
    return paths_[static_cast<std::size_t>(index)];
}

bool RecentPlaylists::append(const QString& name, const QString& path) {
    if (count() >= kRecentPlaylistSlots)
        return false;
    names_.append(name);
    paths_[static_cast<std::size_t>(count() - 1)] = path;
    Q_EMIT changed();
    return true;
}

void RecentPlaylists::setEntry(int index, const QString& name, const QString& path) {
    if (index < 0 || index >= count())
        return;
    names_[index] = name;
    paths_[static_cast<std::size_t>(index)] = path;
    Q_EMIT changed();
}

void RecentPlaylists::removeEntry(int index) {
    if (index < 0 || index >= count())
        return;
    names_.removeAt(index);
    for (int i = index; i + 1 < kRecentPlaylistSlots; ++i)
        paths_[static_cast<std::size_t>(i)] = paths_[static_cast<std::size_t>(i + 1)];
    paths_.back().clear();
    if (selection_ >= count())
        selection_ = count() - 1;
    Q_EMIT changed();
}

void RecentPlaylists::clear() {
    names_.clear();
    paths_.fill(QString());
    selection_ = -1;
    Q_EMIT changed();
}

void RecentPlaylists::selectByProgram(int index) {
    setByProgram_ = true;
    selection_ = index;
    Q_EMIT selectionChanged(index);
}

void RecentPlaylists::selectByUser(int index) {
    setByProgram_ = false;
    selection_ = index;
    Q_EMIT selectionChanged(index);
}

int RecentPlaylists::read(const QString& filePath) {
    if (!QFile::exists(filePath))
        return 0;
    const auto lines = readTextLines(filePath);
    if (!lines)
        return 0;
    names_.clear();
    paths_.fill(QString());
    // Pairs of lines; a file with an odd count simply has a last name without a path.
    for (qsizetype pair = 0; pair * 2 < lines->size() && pair < kRecentPlaylistSlots; ++pair) {
        const QString& name = lines->at(pair * 2);
        const QString path = pair * 2 + 1 < lines->size() ? lines->at(pair * 2 + 1) : QString();
        if (!name.isEmpty())
            names_.append(name);
        if (!path.isEmpty())
            paths_[static_cast<std::size_t>(pair)] = path;
    }
    selection_ = -1;
    Q_EMIT changed();
    return count();
}

bool RecentPlaylists::write(const QString& filePath, QString* error) const {
    QStringList lines;
    for (int i = 0; i < count(); ++i) {
        lines.append(names_[i]);
        lines.append(paths_[static_cast<std::size_t>(i)]);
    }
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    return writeTextLines(filePath, lines, error);
}

} // namespace kalvor
