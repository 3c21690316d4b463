// The tools window as the operator drives it, on the offscreen platform: backup and
// restore from the file list, and a track ripped from a disc image, with every box the
// operator would see recorded.
// The tools window keeps to what the operator really has: files are never replaced behind
// their back nor lost to a run that fails (a track ripped under the name the page makes up
// itself meets an older rip of that name; a backup over last night's archive fails
// halfway), and the track list is the one of the disc in the drive now.
#include "tools/ui/ToolsWindow.h"
#include "ArchiveRig.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "core/UiLanguage.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"
#include "tools/archive/ArchivePaths.h"
#include "tools/archive/Backup.h"
#include "tools/ui/ToolsBackupPage.h"
#include "tools/ui/ToolsCdPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

struct WindowRig {
    ShowStore store;
    Settings settings;
    ScriptedDialogs dialogs;
    ToolsWindow window{store, settings};
    ToolsBackupPage& page = *window.backupPage();

    bool waitForRun() {
        QSignalSpy done(&page, &ToolsBackupPage::runFinished);
        return done.wait(60000);
    }
};

TEST(ToolsWindow, BackupWithNothingSelectedSaysSoAndATypedNameGetsKfa) {
    WindowRig rig;
    const QString folder = freshFolder(QStringLiteral("window-backup"));
    writeFile(folder + QStringLiteral("/show.kal"), "Fileformat 17\r\n~\r\n");
    writeFile(folder + QStringLiteral("/a.wav"), "aaaa");
    rig.store.setPlaylistPath(folder + QStringLiteral("/show.kal"));
    rig.store.setSoundList(0, {makeSoundEntry(folder + QStringLiteral("/a.wav"))});
    rig.page.ListFiles();
    ASSERT_EQ(rig.page.lstBRFiles()->count(), 2);
    EXPECT_EQ(rig.page.frame()->title(), QStringLiteral("File List for Backup"));

    rig.page.selectAll(false);
    rig.page.Backup();
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].text, QStringLiteral("No files selected!"));
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.kfa*")}).isEmpty());

    rig.dialogs.clear();
    rig.page.selectAll(true);
    rig.dialogs.answerFiles({{folder + QStringLiteral("/tonight")}});
    rig.page.Backup();
    ASSERT_TRUE(rig.waitForRun());
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/tonight.kfa")));
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].text, QStringLiteral("Backup finished, 2 files saved!"));

    // The same name again: the overwrite question, and No keeps the old archive.
    rig.dialogs.clear();
    rig.dialogs.answerFiles({{folder + QStringLiteral("/tonight")}});
    rig.dialogs.answerMessages({MessageResult::No});
    rig.page.Backup();
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].defaultButton, MessageResult::No);
    EXPECT_FALSE(rig.page.isRunning());
}

TEST(ToolsWindow, ArchiveListedAndRestoredIntoAFolderAsksBeforeOverwritingAndRelinks) {
    WindowRig rig;
    const QString source = freshFolder(QStringLiteral("window-source"));
    const QStringList files{source + QStringLiteral("/show.kal"),
                            source + QStringLiteral("/s/a.wav")};
    writeFile(files[0], QStringLiteral("Fileformat 17\r\n%1\r\n~\r\n").arg(files[1]).toUtf8());
    writeFile(files[1], "aaaa");
    const QString kfa = source + QStringLiteral("/../show.kfa");
    Recorder rec;
    archive::JobControl control;
    ASSERT_TRUE(archive::runBackup(files, kfa, rec, control).ok);

    const QString target = freshFolder(QStringLiteral("window-target"));
    writeFile(target + QStringLiteral("/a.wav"), "keep me");
    rig.dialogs.answerFiles({{kfa}, {target}});
    rig.page.ListArchive();
    EXPECT_EQ(rig.page.frame()->title(), QStringLiteral("Archive File List for Restore"));
    ASSERT_EQ(rig.page.lstBRFiles()->count(), 2);
    EXPECT_EQ(rig.page.lstBRFiles()->item(1)->text(), files[1]);
    rig.page.chooseDestination(1);
    EXPECT_EQ(rig.page.lstBRFiles()->item(1)->text(), target + QStringLiteral("/a.wav"))
        << "the operator sees every target before anything is written";

    rig.dialogs.clear();
    rig.dialogs.answerMessages({MessageResult::No});
    rig.page.Restore();
    ASSERT_TRUE(rig.waitForRun());
    EXPECT_EQ(readFile(target + QStringLiteral("/a.wav")), QByteArray("keep me"));
    const auto boxes = rig.dialogs.messages();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].title, QStringLiteral("File Error"));
    EXPECT_EQ(boxes[1].text,
              QStringLiteral("Backup finished, 1 files restored!\r\nAll soundfile references in "
                             "'%1/show.kal' have been relinked!\r\n(More info can be found in the "
                             "manual under 'Backup/Restore')")
                  .arg(target));
}

TEST(ToolsWindow, RippingFromADiscImageNamesTheFileAndRefusesTheDataTrack) {
    WindowRig rig;
    const QString dir = freshFolder(QStringLiteral("window-cd"));
    writeFile(dir + QStringLiteral("/disc.bin"), QByteArray(3 * 150 * 2352, '\x11'));
    writeFile(dir + QStringLiteral("/disc.cue"),
              "FILE \"disc.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\n  TRACK 03 AUDIO\r\n"
              "    INDEX 01 00:04:00\r\n");
    ToolsCdPage& cd = *rig.window.cdPage();
    cd.addDiscImage(dir + QStringLiteral("/disc.cue"));
    EXPECT_EQ(cd.status()->text(), QStringLiteral("CD is ready."));
    ASSERT_EQ(cd.CDTracks()->count(), 3);
    EXPECT_EQ(cd.CDTracks()->item(1)->text(), QStringLiteral("Track 2\t00:02"));

    const QString out = freshFolder(QStringLiteral("window-cd-out"));
    rig.dialogs.answerFiles({{out}});
    cd.selectCDPath();
    cd.CDTracks()->setCurrentRow(0);
    cd.Extract();
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].text, QStringLiteral("Track 1 is no audio track!"));

    rig.dialogs.clear();
    cd.CDTracks()->setCurrentRow(2);
    QSignalSpy done(&cd, &ToolsCdPage::extractionFinished);
    cd.Extract();
    EXPECT_EQ(cd.btnExtract()->text(), QStringLiteral("STOP!"));
    ASSERT_TRUE(done.wait(60000));
    EXPECT_EQ(cd.btnExtract()->text(), QStringLiteral("Extract Track"));
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].text,
              QStringLiteral("CD-Track written to disk as:\r\n%1/TRACK 3.WAV").arg(out));
    EXPECT_EQ(QFileInfo(out + QStringLiteral("/TRACK 3.WAV")).size(), 44 + 150 * 2352);
}

// Both pages in both languages, for checking the layout; only with KALVOR_SHOTS_DIR set.
TEST(Screenshots, ToolsWindowPagesInBothLanguages) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALVOR_SHOTS_DIR not set";
    QDir().mkpath(dir);
    WindowRig rig;
    rig.store.setPlaylistPath(QStringLiteral("/shows/Hamlet/Hamlet.kal"));
    rig.store.setSoundList(0, {makeSoundEntry(QStringLiteral("/shows/Hamlet/Sounds/Storm.wav"))});
    rig.page.ListFiles();
    for (const Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        for (int page = 0; page < 2; ++page) {
            rig.window.showPage(page);
            const QString name = QStringLiteral("/tools-%1-%2.png").arg(page);
            EXPECT_TRUE(rig.window.grab().save(dir + name.arg(UiLanguage::toSetting(language))));
        }
    }
    UiLanguage::instance().set(Language::English);
}

} // namespace
} // namespace kalvor::test

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
