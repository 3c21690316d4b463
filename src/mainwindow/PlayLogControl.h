// The play log's behaviour: entries and one-second ticks from playback control, the row
// each channel writes to, the enable setting, and the operator's commands on the list
// (clear, delete a row, save, load, the backup at program end) with their questions.
// Headless: questions and file dialogs go through the dialogs seam. UI thread.
#pragma once

#include "mainwindow/PlayLog.h"
#include "show/playback/ChannelPlayback.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

namespace kalvor {

class Settings;
class ShowLayer;

class PlayLogControl : public QObject {
    Q_OBJECT
public:
    PlayLogControl(ShowLayer& show, Settings& settings, QObject* parent = nullptr);

    PlayLog& log() { return log_; }
    const PlayLog& log() const { return log_; }

    // Start-up: the enable setting and the list's font from the settings.
    void initLogging();
    bool loggingOn() const { return on_; }
    void setLoggingOn(bool on); // stores "Logging"

    // An entry or a played second for `ch` (0..31). Nothing happens while logging is off.
    void LogEntryTick(int ch, LogReason reason);
    // The one-second tick: every playing channel's entry grows by a second.
    void tickPlaying();
    void startTimer() { timer_.start(); }
    void stopTimer() { timer_.stop(); }

    // The row (0-based) a channel writes to, -1 for none.
    int logRow(int ch) const { return rows_.at(static_cast<std::size_t>(ch)); }

    // The page's commands. Each asks its question first; false when nothing changed.
    bool clearList();
    bool deleteRow(int row);
    bool LogSave();
    bool LogLoad();
    // Writes the backup of a list with entries; a folder that is missing is offered to
    // be created. Failures are reported, never thrown: closing goes on.
    void LogBackup();
    bool LogHasEntries() const { return log_.hasEntries(); }

    // The list's font, stored in the settings.
    void setListFont(const QFont& font);

    // Overridable for tests: the clock, and whether a channel plays.
    std::function<QDateTime()> now = [] {
        return QDateTime::currentDateTime();
    };
    std::function<bool(int ch)> isPlaying;

    // The default backup folder: "Log Backup" in the per-user data folder.
    static QString defaultBackupFolder();

Q_SIGNALS:
    void loggingChanged(bool on);

private:
    void resetRows();
    QString soundName(int ch) const;
    QString dialogFolder() const;
    QString fileFilter(bool saving) const;

    ShowLayer& show_;
    Settings& settings_;
    PlayLog log_;
    std::array<int, 32> rows_;
    bool on_ = false;
    QTimer timer_;
};

} // namespace kalvor
