// The play log's files: round trips, refused input that leaves the list alone, the name
// rules, and the backup at program end.
#include "mainwindow/LogFiles.h"
#include "mainwindow/PlayLogControl.h"
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
