#include "mainwindow/PlayLogControl.h"

#include "core/Dialogs.h"
#include "core/ErrorReport.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "mainwindow/LogFiles.h"
#include "mainwindow/LogTexts.h"
#include "show/playback/ShowLayer.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace kalvor {

PlayLogControl::PlayLogControl(ShowLayer& show, Settings& settings, QObject* parent)
    : QObject(parent), show_(show), settings_(settings) {
    rows_.fill(-1);
    isPlaying = [](int ch) {
        return KAE__Channel_IsPlaying(ch);
    };
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &PlayLogControl::tickPlaying);
    connect(&show.playback(), &ChannelPlayback::logEntry, this, &PlayLogControl::LogEntryTick);
    // Another sound in a channel starts a new entry; so does a channel emptied by a new or
    // loaded playlist.
    const auto forget = [this](int ch) {
        if (ch >= 0 && ch < 32)
            rows_[static_cast<std::size_t>(ch)] = -1;
    };
    connect(&show.selection(), &SoundSelection::soundLoaded, this, forget);
    connect(&show.selection(), &SoundSelection::channelEmptied, this, forget);
    // Rows removed under a channel would leave it writing into someone else's entry.
    connect(&log_, &QAbstractItemModel::modelReset, this, &PlayLogControl::resetRows);
}

void PlayLogControl::initLogging() {
    on_ = settings_.text(u"Logging").compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
    QFont f(settings_.text(u"LogFontName"));
    f.setPointSize(std::max(1, settings_.integer(u"LogFontSize")));
    f.setBold(settings_.boolean(u"LogFontBold"));
    f.setItalic(settings_.boolean(u"LogFontItalic"));
    log_.setFont(f);
    Q_EMIT loggingChanged(on_);
}

void PlayLogControl::setLoggingOn(bool on) {
    settings_.setOn(u"Logging", on);
    if (on_ == on)
        return;
    on_ = on;
    Q_EMIT loggingChanged(on);
}

void PlayLogControl::resetRows() {
    rows_.fill(-1);
}

QString PlayLogControl::soundName(int ch) const {
    const ShowStore& store = show_.store();
    const int sel = store.controls(ch).selectedSound;
    const auto& list = store.soundList(ch);
    if (sel < 0 || sel >= list.size())
        return {};
    return list[sel].displayName;
}

void PlayLogControl::LogEntryTick(int ch, LogReason reason) {
    if (!on_ || ch < 0 || ch >= 32)
        return;
    int& row = rows_[static_cast<std::size_t>(ch)];
    // Playback control only reports a restart or a resume when its option asks for a new
    // entry; a plain second start of the same sound goes on counting in the same row.
    if (reason == LogReason::Restart || reason == LogReason::Resume)
        row = -1;
    if (row < 0 || row >= log_.rows())
        row = log_.newRow();
    if (log_.rowEmpty(row)) {
        const QDateTime at = now();
        log_.startEntry(row, soundName(ch),
                        QLocale::system().toString(at.date(), QLocale::ShortFormat),
                        at.time().toString(QStringLiteral("HH:mm:ss")));
    }
}

void PlayLogControl::tickPlaying() {
    if (!on_)
        return;
    for (int ch = 0; ch < 32; ++ch) {
        if (!isPlaying(ch))
            continue;
        const int row = rows_[static_cast<std::size_t>(ch)];
        if (row >= 0 && row < log_.rows() && !log_.rowEmpty(row))
            log_.tickEntry(row);
        else
            LogEntryTick(ch, LogReason::Start);
    }
}

bool PlayLogControl::clearList() {
    if (dialogs().message(txt(texts::LogTitle), txt(texts::LogClearQuestion), MessageIcon::Question,
                          MessageButtons::OkCancel, MessageResult::Cancel) != MessageResult::Ok)
        return false;
    log_.clearEntries();
    resetRows();
    return true;
}

bool PlayLogControl::deleteRow(int row) {
    for (int ch = 0; ch < 32; ++ch) {
        if (isPlaying(ch)) {
            showMessage(txt(texts::LogTitle), txt(texts::LogDeleteWhilePlaying),
                        MessageIcon::Critical);
            return false;
        }
    }
    if (row < 0 || row >= log_.rows()) {
        showMessage(txt(texts::LogTitle), txt(texts::LogNoRowSelected), MessageIcon::Information);
        return false;
    }
    const QString q =
        txt(texts::LogDeleteRowA) + QString::number(row + 1) + txt(texts::LogDeleteRowB);
    if (dialogs().message(txt(texts::LogTitle), q, MessageIcon::Question, MessageButtons::OkCancel,
                          MessageResult::Cancel) != MessageResult::Ok)
        return false;
    log_.removeRow(row);
    // Rows below moved up: each channel follows its own entry, so a paused sound resumed
    // afterwards goes on counting in it instead of being listed twice.
    for (int& r : rows_) {
        if (r == row)
            r = -1;
        else if (r > row)
            --r;
    }
    return true;
}

QString PlayLogControl::dialogFolder() const {
    const QString dir = settings_.text(u"LogFileDirectory");
    if (!dir.isEmpty() && QFileInfo(dir).isDir())
        return dir;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString PlayLogControl::fileFilter(bool saving) const {
    return txt(saving ? texts::LogFilterTxtSave : texts::LogFilterTxtLoad) + QStringLiteral(";;") +
           txt(texts::LogFilterKlg) + QStringLiteral(";;") + txt(texts::LogFilterAll);
}

bool PlayLogControl::LogSave() {
    QString path = dialogs().saveFile(txt(texts::LogSaveTitle), dialogFolder(), fileFilter(true));
    if (path.isEmpty())
        return false;
    path = withLogEnding(path);
    if (QFileInfo::exists(path) &&
        dialogs().message(txt(texts::FileExistsTitle), txt(texts::FileExistsQuestion),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) != MessageResult::Yes)
        return false;
    QString error;
    if (!writeLogFile(path, logDocument(log_), &error)) {
        showMessage(txt(texts::LogTitle),
                    txt(texts::LogSaveFailed) + QLatin1Char('\n') + path + QLatin1Char('\n') +
                        error,
                    MessageIcon::Critical);
        return false;
    }
    settings_.setText(u"LogFileDirectory", QFileInfo(path).absolutePath());
    return true;
}

bool PlayLogControl::LogLoad() {
    const QStringList picked =
        dialogs().openFiles(txt(texts::LogLoadTitle), dialogFolder(), fileFilter(false), false);
    if (picked.isEmpty())
        return false;
    LogReadError why;
    auto doc = readLogFile(picked.first(), &why);
    if (!doc) {
        showMessage(txt(texts::LogTitle),
                    txt(texts::LogLoadFailed) + QLatin1Char('\n') + picked.first() +
                        QLatin1Char('\n') + why.text,
                    MessageIcon::Critical);
        return false;
    }
    applyLogDocument(log_, std::move(*doc));
    settings_.setText(u"LogFileDirectory", QFileInfo(picked.first()).absolutePath());
    return true;
}

QString PlayLogControl::defaultBackupFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/Log Backup");
}

void PlayLogControl::LogBackup() {
    if (!log_.hasEntries())
        return;
    QString folder = settings_.text(u"LoggingBackupPath");
    if (folder.isEmpty())
        folder = defaultBackupFolder();
    if (!QFileInfo(folder).isDir()) {
        const QString text = QStringLiteral("\n\n") + txt(texts::LogDirMissingA) +
                             QLatin1Char('\n') + folder + QLatin1Char('\n') +
                             txt(texts::LogDirMissingB);
        if (dialogs().message(txt(texts::LogDirErrorTitle), text, MessageIcon::Critical,
                              MessageButtons::YesNoCancel) != MessageResult::Yes)
            return;
        if (!QDir().mkpath(folder)) {
            showMessage(txt(texts::LogDirErrorTitle),
                        txt(texts::LogBackupFailed) + QLatin1Char('\n') + folder,
                        MessageIcon::Critical);
            return;
        }
    }
    const QString path = QDir(folder).filePath(logBackupFileName(now()));
    QString error;
    if (!writeLogFile(path, logDocument(log_), &error))
        showMessage(txt(texts::LogDirErrorTitle),
                    txt(texts::LogBackupFailed) + QLatin1Char('\n') + path + QLatin1Char('\n') +
                        error,
                    MessageIcon::Critical);
}

void PlayLogControl::setListFont(const QFont& font) {
    log_.setFont(font);
    settings_.setText(u"LogFontName", font.family());
    settings_.setInteger(u"LogFontSize", qRound(font.pointSizeF()));
    settings_.setBoolean(u"LogFontBold", font.bold());
    settings_.setBoolean(u"LogFontItalic", font.italic());
}

} // namespace kalvor
