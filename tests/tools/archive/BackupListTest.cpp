// The files a backup starts from are the files the show plays: a sound the loader found
// by its case-blind, "\"-tolerant lookup is found by the backup too, in the window and in
// kalvor-tool alike.
#include "ArchiveRig.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "show/playlist/PlaylistDocument.h"
#include "support/TestEnvironment.h"
#include "tools/archive/Backup.h"
#include "tools/archive/Restore.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

using namespace archive;

TEST(BackupList, SoundsFoundAsTheLoaderFindsThemAndTheMissingOnesNamed) {
    const QString show = freshFolder(QStringLiteral("backup-list")) + QStringLiteral("/Show");
    const QString playlist = show + QStringLiteral("/Tour.kal");
    const QString storm = show + QStringLiteral("/Sounds/Storm.wav");
    const QString bell = show + QStringLiteral("/Sounds/bell.wav");
    writeFile(storm, "storm");
    writeFile(bell, "bell");
    const struct {
        const char* what;
        QString written;
        QString listed;
    } rows[] = {
        {"as on disk", storm, storm},
        {"other letter case", show + QStringLiteral("/SOUNDS/storm.WAV"), storm},
        {"backslashes", show + QStringLiteral("\\Sounds\\bell.wav"), bell},
        {"missing", show + QStringLiteral("/Sounds/gone.wav"),
         show + QStringLiteral("/Sounds/gone.wav")},
    };
    playlist::PlaylistDocument doc;
    ShowStore store;
    store.setPlaylistPath(playlist);
    QList<SoundEntry> entries;
    for (const auto& row : rows) {
        entries << makeSoundEntry(row.written);
        doc.soundPaths[0] << row.written;
    }
    store.setSoundList(0, entries);
    writeFile(playlist, playlist::writePlaylist(doc));

    const QStringList fromWindow = backupListOfShow(store);
    QString error;
    const auto fromFile = backupListOfPlaylistFile(playlist, &error);
    ASSERT_TRUE(fromFile) << error.toStdString();
    // The playlist, then each sound once.
    const QStringList expected{playlist, storm, bell, rows[3].listed};
    EXPECT_EQ(fromWindow.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
    EXPECT_EQ(fromFile->join(u'\n').toStdString(), expected.join(u'\n').toStdString())
        << "the window and kalvor-tool back up the same files";

    // Without the missing sound the backup is whole; with it, it names that sound.
    Recorder rec;
    JobControl control;
    const RunResult whole =
        runBackup(fromWindow.mid(0, 3), show + QStringLiteral("/a.kfa"), rec, control);
    EXPECT_TRUE(whole.ok) << whole.errorText.toStdString();
    EXPECT_EQ(whole.count, 3);
    const RunResult refused = runBackup(fromWindow, show + QStringLiteral("/b.kfa"), rec, control);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.errorText.contains(rows[3].listed)) << refused.errorText.toStdString();
}

TEST(BackupList, AwkwardFileNamesComeBackByteForByte) {
    const QString show = freshFolder(QStringLiteral("awkward-names"));
    const char* const names[] = {
        "cue 1.wav", "Grüße aus Köln.wav", "1:intro.wav", "a:b.wav",
        "-dash.wav", "100% rain #2.wav",   "日本.wav",
    };
    QStringList files;
    for (const char* name : names) {
        files << show + QLatin1Char('/') + QString::fromUtf8(name);
        writeFile(files.last(), QByteArray(name) + QByteArray(300, '\x55'));
    }
    const QString kfa = show + QStringLiteral(".kfa");
    Recorder rec;
    JobControl control;
    ASSERT_TRUE(runBackup(files, kfa, rec, control).ok);
    const ArchiveListing listing = listArchive(kfa, rec);
    ASSERT_TRUE(listing.ok) << listing.error.toStdString();
    const QString venue = freshFolder(QStringLiteral("awkward-venue"));
    QStringList refused;
    const auto items = planRestore(listing, Destination::Folder, venue, &refused);
    EXPECT_EQ(runRestore(kfa, listing, items, rec, control).count, files.size());
    for (const QString& f : files)
        EXPECT_EQ(readFile(venue + QLatin1Char('/') + QFileInfo(f).fileName()), readFile(f))
            << f.toStdString();
}

} // namespace
} // namespace kalvor::test
