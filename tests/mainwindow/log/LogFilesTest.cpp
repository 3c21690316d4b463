// The play log's files: round trips, refused input that leaves the list alone, the name
// rules, and the backup at program end. What a music-rights return rests on: a saved log is
// never replaced by a cut-off one, and every kind of restart is counted as the log options
// say.
#include "mainwindow/LogFiles.h"
#include "mainwindow/PlayLogControl.h"
#include "support/FileSizeLimit.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct FileRig {
    FileRig() : control(*rig.show, *rig.settings) {
        control.now = [] {
            return QDateTime(QDate(2026, 12, 6), QTime(22, 5, 9));
        };
        PlayLog& log = control.log();
        const char* names[] = {"Band - Song", "Intro", "Ümlaut - Tab\there"};
        for (const char* n : names)
            log.startEntry(log.newRow(), QString::fromUtf8(n), QStringLiteral("06.12.26"),
                           QStringLiteral("22:05:09"));
        log.setCellText(1, LogNotes, QStringLiteral("cue 12\nencore"));
        log.padRows(5);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const { writeFile(path(name), bytes); }
    ShowRig rig;
    PlayLogControl control;
    QTemporaryDir dir;
};

} // namespace

TEST(LogFiles, SavedListsLoadBackTheSame) {
    const struct {
        const char* name;
        const char* written;
        bool keepsFormat;
    } cases[] = {{"show.klg", "show.klg", true},
                 {"show", "show.klg", true},
                 {"export.txt", "export.txt", false}};
    for (const auto& c : cases) {
        FileRig r;
        auto rows = r.control.log().allRows();
        rows[0][LogTitle].format = {true, true, QColor(255, 0, 0)};
        r.control.log().replace({}, rows);
        const auto before = r.control.log().allRows();
        r.rig.dialogs.answerFiles({{r.path(QString::fromUtf8(c.name))}});
        ASSERT_TRUE(r.control.LogSave()) << c.name;
        ASSERT_TRUE(QFileInfo::exists(r.path(QString::fromUtf8(c.written)))) << c.name;

        r.control.log().replace({}, {});
        r.rig.dialogs.answerFiles({{r.path(QString::fromUtf8(c.written))}});
        ASSERT_TRUE(r.control.LogLoad()) << c.name;
        // Text lines hold neither formats nor tabs and line breaks: blanks stand in for them.
        auto expected = before;
        for (auto& row : expected)
            for (LogCell& cell : row)
                if (!c.keepsFormat)
                    cell = {
                        cell.text.replace(QLatin1Char('\t'), u' ').replace(QLatin1Char('\n'), u' '),
                        {}};
        EXPECT_EQ(r.control.log().allRows(), expected) << c.name;
    }
}

TEST(LogFiles, BadFilesAreRefusedAndTheListStays) {
    QStringList good;
    {
        FileRig r;
        good = klgLines(logDocument(r.control.log()));
    }
    const auto join = [](const QStringList& l) {
        return l.join(QStringLiteral("\r\n")).toUtf8();
    };
    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"cut.klg", join(good.mid(0, good.size() - 2)), "ends too early"},
        {"count.klg", join(good.mid(0, 4) + good.mid(good.size() - 1)), "incomplete"},
        {"other.klg", QByteArray("Fileformat 17\r\n[Preset]\r\n"), "not a log file"},
        {"binary.klg", QByteArray("\x00\xff\xfe\x01KalvorLog\x00\x13", 15), "not a log file"},
        {"escape.klg",
         join(good.mid(0, 3) + QStringList{QStringLiteral("R\t:1\t:\\q\t:\t:\t:\t:\t:")} +
              QStringList{QStringLiteral("End\t1")}),
         "Line 4"},
        {"six.txt",
         QByteArray("No.\tArtist\tTitle\tDate\tTime\tLength\tNotes\r\n1\ta\tb\tc\td\te\r\n"),
         "6 columns in line 2"},
        {"eight.txt", QByteArray("No.\tArtist\tTitle\tDate\tTime\tLength\tNotes\tX\r\n"),
         "8 columns in line 1"},
        {"empty.txt", QByteArray(), "empty"},
    };
    for (const auto& c : cases) {
        FileRig r;
        const auto before = r.control.log().allRows();
        r.write(QString::fromUtf8(c.name), c.bytes);
        r.rig.dialogs.answerFiles({{r.path(QString::fromUtf8(c.name))}});
        EXPECT_FALSE(r.control.LogLoad()) << c.name;
        ASSERT_EQ(r.rig.dialogs.messages().size(), 1) << c.name;
        EXPECT_TRUE(r.rig.dialogs.messages()[0].text.contains(QString::fromUtf8(c.says)))
            << c.name << ": " << r.rig.dialogs.messages()[0].text.toStdString();
        EXPECT_EQ(r.control.log().allRows(), before) << c.name;
    }
}

TEST(LogFiles, OverwritingAsksAndNoKeepsTheFile) {
    FileRig r;
    r.write(QStringLiteral("old.klg"), "keep me");
    r.rig.dialogs.answerFiles({{r.path(QStringLiteral("old.klg"))}});
    r.rig.dialogs.answerMessages({MessageResult::No});
    EXPECT_FALSE(r.control.LogSave());
    EXPECT_EQ(r.rig.dialogs.messages().value(0).defaultButton, MessageResult::No);
    EXPECT_EQ(readFile(r.path(QStringLiteral("old.klg"))), QByteArray("keep me"));
}

TEST(LogFiles, BackupAtProgramEnd) {
    enum Folder { Exists, Missing, UnderAFile, FileNameTaken };
    const struct {
        const char* label;
        Folder folder;
        MessageResult answer;
        bool written;
        int boxes;
    } cases[] = {
        {"existing folder", Exists, MessageResult::Yes, true, 0},
        {"missing folder, Yes creates it", Missing, MessageResult::Yes, true, 1},
        {"missing folder, No: no backup", Missing, MessageResult::No, false, 1},
        {"folder cannot be made: a message", UnderAFile, MessageResult::Yes, false, 2},
        {"file cannot be written: a message", FileNameTaken, MessageResult::Yes, false, 1}};
    for (const auto& c : cases) {
        FileRig r;
        QString folder = r.path(QStringLiteral("Backups"));
        const QString file = folder + QStringLiteral("/Log Backup (2026-12-06 22-05-09).klg");
        if (c.folder == Exists) {
            ASSERT_TRUE(QDir().mkpath(folder));
        } else if (c.folder == FileNameTaken) {
            ASSERT_TRUE(QDir().mkpath(file)); // a folder where the file should go
        } else if (c.folder == UnderAFile) {
            r.write(QStringLiteral("plain"), "x");
            folder = r.path(QStringLiteral("plain/Backups"));
        }
        r.rig.settings->setText(u"LoggingBackupPath", folder);
        r.rig.dialogs.answerMessages({c.answer});
        r.control.LogBackup();
        EXPECT_EQ(QFileInfo(file).isFile(), c.written) << c.label;
        EXPECT_EQ(r.rig.dialogs.messages().size(), c.boxes) << c.label;
        if (c.written) {
            const auto doc = readLogFile(file);
            ASSERT_TRUE(doc) << c.label;
            EXPECT_EQ(doc->rows, r.control.log().allRows()) << c.label;
        }
    }
}

namespace {

LogDocument documentOf(int entries) {
    PlayLog log;
    for (int i = 0; i < entries; ++i)
        log.startEntry(log.newRow(), QStringLiteral("Band - Song %1").arg(i),
                       QStringLiteral("06.12.26"), QStringLiteral("21:05:09"));
    return logDocument(log);
}

TEST(LogTrust, ADiskThatFillsUpKeepsThePreviousFile) {
    ShowRig rig;
    for (const char* name : {"show.klg", "show.txt"}) {
        SCOPED_TRACE(name);
        const QString path = rig.folder + QLatin1Char('/') + QLatin1String(name);
        ASSERT_TRUE(writeLogFile(path, documentOf(3)));
        const QByteArray previous = readFile(path);
        QString error;
        {
            // Room for part of the file only: the write stops half-way.
            const FileSizeLimit nearlyFull(static_cast<rlim_t>(previous.size()));
            EXPECT_FALSE(writeLogFile(path, documentOf(6), &error));
        }
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(path), previous);
        EXPECT_TRUE(readLogFile(path));
    }
}

TEST(LogTrust, ARestartWithItsFadeInCountsAsARestart) {
    const struct {
        const char* label;
        bool restartCreates;
        int entries;
    } cases[] = {
        {"with the option: a new entry", true, 2},
        {"without it: the same entry goes on", false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ShowRig rig;
        PlayLogControl control(*rig.show, *rig.settings);
        control.setLoggingOn(true);
        rig.settings->setOn(u"LogRestartCreate", c.restartCreates);
        rig.loadChannel(0, {rig.ramp(QStringLiteral("Band - Song"), 5.0)});
        rig.store.controls(0).restartMode = 1;
        rig.store.channel(0).fadeIn = {200, true, 0};
        rig.show->playback().PressPlay(0);
        rig.renderMs(20);
        control.tickPlaying();
        rig.show->playback().PressPlay(0); // the restart: stop, then start with the fade-in
        rig.renderMs(20);
        ASSERT_TRUE(KAE__Channel_IsPlaying(0));
        int entries = 0;
        for (int r = 0; r < control.log().rows(); ++r)
            entries += control.log().rowEmpty(r) ? 0 : 1;
        EXPECT_EQ(entries, c.entries);
    }
}

TEST(LogTrust, AStartThatNobodyHearsIsNoEntry) {
    ShowRig rig;
    PlayLogControl control(*rig.show, *rig.settings);
    control.setLoggingOn(true);
    rig.loadChannel(0, {rig.tone(QStringLiteral("Band - Song"), 2.0)});
    rig.backend->unplug(QStringLiteral("offline"));
    rig.renderMs(20);
    rig.show->playback().PressPlay(0);
    control.tickPlaying();
    ASSERT_FALSE(KAE__Channel_IsPlaying(0));
    EXPECT_FALSE(control.LogHasEntries());
}

TEST(LogTrust, DeletingAnotherRowKeepsAPausedSoundInItsEntry) {
    ShowRig rig;
    PlayLogControl control(*rig.show, *rig.settings);
    control.setLoggingOn(true);
    rig.loadChannel(0, {rig.ramp(QStringLiteral("Before"), 5.0)});
    rig.loadChannel(1, {rig.ramp(QStringLiteral("Band - Song"), 5.0)});
    rig.loadChannel(2, {rig.ramp(QStringLiteral("After"), 5.0)});
    ChannelPlayback& play = rig.show->playback();
    for (int ch = 0; ch < 3; ++ch)
        play.PressPlay(ch);
    control.tickPlaying();
    play.StopChannel(0);
    play.StopChannel(2);
    rig.store.controls(1).pauseMode = 1;
    play.PressPlay(1); // paused: no channel plays, so rows may be deleted
    ASSERT_TRUE(KAE__Channel_IsPaused(1));
    rig.dialogs.answerMessages({MessageResult::Ok});
    ASSERT_TRUE(control.deleteRow(0));
    play.PressPlay(1); // resumed
    control.tickPlaying();
    QStringList titles;
    for (int r = 0; r < control.log().rows(); ++r)
        titles << control.log().cell(r, LogTitle).text;
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Song"), QStringLiteral("After")}));
    EXPECT_EQ(control.log().cell(0, LogLength).text, QStringLiteral("00:00:02"));
    EXPECT_EQ(control.logRow(1), 0);
    EXPECT_EQ(control.logRow(2), 1);
}

TEST(LogTrust, ImportingATextFileKeepsTheListsFont) {
    ShowRig rig;
    PlayLogControl control(*rig.show, *rig.settings);
    const QString path = rig.folder + QStringLiteral("/import.txt");
    ASSERT_TRUE(writeLogFile(path, documentOf(2)));
    QFont booth(QStringLiteral("DejaVu Sans"));
    booth.setPointSize(16);
    booth.setBold(true);
    control.setListFont(booth);
    rig.dialogs.answerFiles({{path}});
    ASSERT_TRUE(control.LogLoad());
    EXPECT_EQ(control.log().rows(), 2);
    EXPECT_EQ(control.log().font(), booth) << "a text file carries no font";
}

} // namespace
