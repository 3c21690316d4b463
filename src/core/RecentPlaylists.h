// The recent playlists: the names offered in the main window's playlist selector, the
// table of up to 100 paths behind them, the current selection, and the flag that tells
// the selector's handler that the program itself set the selection (so it must not load).
// The file holds line pairs, display name then full path. UI thread.
#pragma once

#include "core/Limits.h"

#include <QObject>
#include <QStringList>

#include <array>

namespace kalvor {

class RecentPlaylists : public QObject {
    Q_OBJECT
public:
    explicit RecentPlaylists(QObject* parent = nullptr);

    // "<per-user data folder>/kalvor.playlists".
    static QString defaultFilePath();

    const QStringList& names() const { return names_; }
    int count() const { return static_cast<int>(names_.size()); }
    // The path at table position `index`, empty when none.
    QString path(int index) const;

    // Adds or replaces the entry at the end of the list (the playlist code owns the rules
    // of which entry moves where); false when the table is full.
    bool append(const QString& name, const QString& path);
    void setEntry(int index, const QString& name, const QString& path);
    void removeEntry(int index);
    void clear();

    int selection() const { return selection_; }
    // A selection made by the program (after a load): the selector's handler sees
    // `selectionSetByProgram()` and leaves the show alone.
    void selectByProgram(int index);
    void selectByUser(int index);
    bool selectionSetByProgram() const { return setByProgram_; }
    void clearProgramFlag() { setByProgram_ = false; }

    // Missing file: nothing is read, no error. A non-empty name line adds a selector entry;
    // a non-empty path line fills the table at the pair's position; pairs beyond the
    // 100th are ignored. Returns the number of entries read.
    int read(const QString& filePath);
    // Replaces the file with one pair per entry; false (with `error`) when it failed, the
    // previous file then stays as it was.
    bool write(const QString& filePath, QString* error = nullptr) const;

Q_SIGNALS:
    void changed();
    void selectionChanged(int index);

private:
    QStringList names_;
    std::array<QString, kRecentPlaylistSlots> paths_{};
    int selection_ = -1;
    bool setByProgram_ = false;
};

} // namespace kalvor
