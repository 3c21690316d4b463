// The tools window keeps to what the operator really has: files are never replaced behind
// their back nor lost to a run that fails (a track ripped under the name the page makes up
// itself meets an older rip of that name; a backup over last night's archive fails
// halfway), and the track list is the one of the disc in the drive now.
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"
#include "tools/ui/ToolsBackupPage.h"
#include "tools/ui/ToolsCdPage.h"
#include "tools/ui/ToolsWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

struct Rig {
    ShowStore store;
    Settings settings;
    ScriptedDialogs dialogs;
    ToolsWindow window{store, settings};
    ToolsCdPage& cd = *window.cdPage();
};

QString discImage(const QString& dir) {
    writeFile(dir + QStringLiteral("/disc.bin"), QByteArray(2 * 150 * 2352, '\x22'));
    writeFile(dir + QStringLiteral("/disc.cue"),
              "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\n");
    return dir + QStringLiteral("/disc.cue");
}

TEST(ToolsKeepFiles, RipUnderTheMadeUpNameAsksBeforeReplacingAnEarlierRip) {
    const struct {
        const char* what;
        MessageResult answer;
        bool replaced;
    } rows[] = {
        {"No keeps the earlier rip", MessageResult::No, false},
        {"Yes rips over it", MessageResult::Yes, true},
    };
    for (const auto& row : rows) {
        Rig rig;
        const QString dir = freshFolder(QStringLiteral("keep-rip"));
        rig.cd.addDiscImage(discImage(dir));
        ASSERT_EQ(rig.cd.CDTracks()->count(), 2) << row.what;
        const QString earlier = dir + QStringLiteral("/TRACK 2.WAV");
        writeFile(earlier, "last night's rip of another disc");
        rig.dialogs.answerFiles({{dir}});
        rig.cd.selectCDPath();
        rig.cd.CDTracks()->setCurrentRow(1);

        rig.dialogs.clear();
        rig.dialogs.answerMessages({row.answer});
        QSignalSpy done(&rig.cd, &ToolsCdPage::extractionFinished);
        rig.cd.Extract();
        if (row.replaced) {
            ASSERT_TRUE(done.wait(60000)) << row.what;
        }
        const auto boxes = rig.dialogs.messages();
        ASSERT_FALSE(boxes.isEmpty()) << row.what;
        EXPECT_EQ(boxes[0].text, QStringLiteral("File exists! Overwrite?")) << row.what;
        EXPECT_EQ(boxes[0].defaultButton, MessageResult::No) << row.what;
        EXPECT_EQ(QFileInfo(earlier).size() == 44 + 150 * 2352, row.replaced) << row.what;
        EXPECT_EQ(readFile(earlier) == "last night's rip of another disc", !row.replaced)
            << row.what;
    }
}

TEST(ToolsKeepFiles, BackupOverAnOldArchiveReplacesItOnlyWhenTheNewOneIsWhole) {
    const struct {
        const char* what;
        bool soundGone;
    } rows[] = {
        {"a sound went missing: the old archive stays", true},
        {"all there: the new archive replaces it", false},
    };
    for (const auto& row : rows) {
        Rig rig;
        ToolsBackupPage& page = *rig.window.backupPage();
        const QString dir = freshFolder(QStringLiteral("keep-archive"));
        const QString sound = dir + QStringLiteral("/bell.wav");
        writeFile(sound, "bell");
        rig.store.setSoundList(0, {makeSoundEntry(sound)});
        page.ListFiles();
        if (row.soundGone)
            QFile::remove(sound);
        const QString kfa = dir + QStringLiteral("/nightly.kfa");
        writeFile(kfa, "last night's archive");

        rig.dialogs.answerFiles({{kfa}});
        rig.dialogs.answerMessages({MessageResult::Yes});
        QSignalSpy done(&page, &ToolsBackupPage::runFinished);
        page.Backup();
        ASSERT_TRUE(done.wait(60000)) << row.what;
        const auto boxes = rig.dialogs.messages();
        ASSERT_EQ(boxes.size(), 2) << row.what;
        EXPECT_EQ(boxes[1].text.startsWith(QStringLiteral("Backup finished")), !row.soundGone)
            << row.what << ": " << boxes[1].text.toStdString();
        EXPECT_EQ(readFile(kfa) == "last night's archive", row.soundGone) << row.what;
        EXPECT_EQ(readFile(kfa).startsWith("PK"), !row.soundGone) << row.what;
    }
}

TEST(ToolsKeepFiles, AFileAddedTwiceIsListedAndBackedUpOnce) {
    Rig rig;
    ToolsBackupPage& page = *rig.window.backupPage();
    const QString dir = freshFolder(QStringLiteral("added-twice"));
    const QString sound = dir + QStringLiteral("/bell.wav");
    writeFile(sound, "bell");
    rig.store.setSoundList(0, {makeSoundEntry(sound)});
    page.ListFiles();
    rig.dialogs.answerFiles({{sound, dir + QStringLiteral("/bell.wav")}});
    page.AddFiles();
    EXPECT_EQ(page.lstBRFiles()->count(), 1);

    rig.dialogs.answerFiles({{dir + QStringLiteral("/nightly.kfa")}});
    QSignalSpy done(&page, &ToolsBackupPage::runFinished);
    page.Backup();
    ASSERT_TRUE(done.wait(60000));
    const auto boxes = rig.dialogs.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Backup finished, 1 files saved!"));
}

TEST(ToolsKeepFiles, AnotherDiscInTheDriveBringsItsOwnTrackList) {
    Rig rig;
    const QString dir = freshFolder(QStringLiteral("disc-swap"));
    const QString cue = discImage(dir);
    rig.cd.addDiscImage(cue);
    ASSERT_EQ(rig.cd.CDTracks()->count(), 2);
    // Between two looks of the drive timer (or while the window was closed) the disc was
    // swapped for one with three tracks: still "ready", but not the same disc.
    writeFile(dir + QStringLiteral("/disc.bin"), QByteArray(6 * 150 * 2352, '\x33'));
    writeFile(cue, "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                   "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\n"
                   "  TRACK 03 AUDIO\r\n    INDEX 01 00:04:00\r\n");
    rig.cd.pollDrive();
    ASSERT_EQ(rig.cd.CDTracks()->count(), 3);
    EXPECT_EQ(rig.cd.CDTracks()->item(2)->text(), QStringLiteral("Track 3\t00:08"));
    EXPECT_TRUE(rig.dialogs.messages().isEmpty());
    // The same disc on the next look changes nothing, the operator's choice included.
    rig.cd.CDTracks()->setCurrentRow(1);
    rig.cd.pollDrive();
    EXPECT_EQ(rig.cd.CDTracks()->currentRow(), 1);
}

} // namespace
} // namespace kalvor::test
