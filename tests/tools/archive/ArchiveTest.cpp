// Backup and restore through the real libzip, checked against unzip and Python's zipfile,
// with the archives an operator may be handed: damaged, hand-made, hostile, from Windows.
// The files a backup starts from are the files the show plays: a sound the loader found
// by its case-blind, "\"-tolerant lookup is found by the backup too, in the window and in
// kalvor-tool alike.
#include "ArchiveRig.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "show/playlist/PlaylistDocument.h"
#include "support/TestEnvironment.h"
#include "tools/archive/ArchivePaths.h"
#include "tools/archive/ArchiveTexts.h"
#include "tools/archive/Backup.h"
#include "tools/archive/Restore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace kalvor::test {
namespace {

using namespace archive;

struct Show {
    QString folder;
    QStringList files; // playlist first
    QByteArray playlist;
};

// "My Show.kal" and two sounds in two sub-folders, as a show sits on a booth machine.
Show makeShow(const QString& name) {
    Show s;
    s.folder = freshFolder(name) + QStringLiteral("/Show");
    const QString cue = s.folder + QStringLiteral("/Sounds/cue 1.wav");
    const QString thunder = s.folder + QStringLiteral("/Effects/thunder.wav");
    s.playlist =
        QStringLiteral("Fileformat 17\r\n%1\r\n%1.bak\r\n%2\r\n/elsewhere/rain.wav\r\n~\r\n")
            .arg(cue, thunder)
            .toUtf8();
    writeFile(s.folder + QStringLiteral("/My Show.kal"), s.playlist);
    writeFile(cue, QByteArray(70000, 'c'));
    writeFile(thunder, QByteArray("thunder") + QByteArray(5000, '\0'));
    s.files = {s.folder + QStringLiteral("/My Show.kal"), cue, thunder};
    return s;
}

QString backupOf(const Show& show, const QString& name) {
    const QString kfa = QFileInfo(show.folder).absolutePath() + QLatin1Char('/') + name;
    Recorder rec;
    JobControl control;
    const RunResult r = runBackup(show.files, kfa, rec, control);
    EXPECT_TRUE(r.ok) << r.errorText.toStdString();
    return kfa;
}

// Lists `kfa` and restores all of it into `target`.
struct Restored {
    ArchiveListing listing;
    std::vector<RestoreItem> items;
    RunResult run;
};
Restored restoreInto(const QString& kfa, const QString& target, Recorder& rec) {
    Restored r;
    r.listing = listArchive(kfa, rec);
    QStringList refused;
    r.items = planRestore(r.listing, Destination::Folder, target, &refused);
    JobControl control;
    r.run = runRestore(kfa, r.listing, r.items, rec, control);
    return r;
}

TEST(Backup, ArchiveOpensInUnzipAndZipfileWithNamesRelativeToTheShow) {
    const Show show = makeShow(QStringLiteral("peers"));
    const QString kfa = QFileInfo(show.folder).absolutePath() + QStringLiteral("/show.kfa");
    Recorder rec;
    JobControl control;
    const RunResult r = runBackup(show.files, kfa, rec, control);
    ASSERT_TRUE(r.ok) << r.errorText.toStdString();
    EXPECT_EQ(r.count, 3);
    EXPECT_FALSE(rec.progressWentBack);
    EXPECT_EQ(rec.lastDone, rec.total);
    EXPECT_TRUE(
        rec.lines.contains(QStringLiteral("Writing %1 to Archive %2").arg(show.files[2], kfa)));
    EXPECT_EQ(rec.lines.constLast(), QStringLiteral("Backup process finished."));

    const auto [unzipRc, unzipOut] = runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), kfa});
    EXPECT_EQ(unzipRc, 0) << unzipOut.toStdString();
    const auto [listRc, names] = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), kfa});
    EXPECT_EQ(names.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("My Show.kal"), QStringLiteral("Sounds/cue 1.wav"),
                           QStringLiteral("Effects/thunder.wav"), QStringLiteral("PathInfo.txt")}));
    const auto [pyRc, pyOut] = runTool(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                        "assert z.testzip() is None\n"
                        "assert all(i.compress_type == zipfile.ZIP_STORED for i in z.infolist())\n"
                        "sys.stdout.write(z.read('PathInfo.txt').decode())"),
         kfa});
    EXPECT_EQ(pyRc, 0) << pyOut.toStdString();
    EXPECT_EQ(pyOut.toUtf8(), writePathInfo(show.files));
}

TEST(Restore, IntoAnotherFolderRelinksExactSourcePathsOnlyAndKeepsTheOldPlaylist) {
    const Show show = makeShow(QStringLiteral("relink"));
    const QString kfa = backupOf(show, QStringLiteral("show.kfa"));
    const QString target = freshFolder(QStringLiteral("relink-target"));

    Recorder rec;
    const auto [listing, items, r] = restoreInto(kfa, target, rec);
    EXPECT_EQ(listing.sourcePaths, show.files);
    EXPECT_TRUE(listing.warnings.isEmpty());
    ASSERT_TRUE(r.ok) << r.problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(readFile(target + QStringLiteral("/cue 1.wav")), readFile(show.files[1]));
    EXPECT_EQ(readFile(target + QStringLiteral("/thunder.wav")), readFile(show.files[2]));
    EXPECT_TRUE(rec.lines.contains(QStringLiteral("Restoring file 2 = %1/cue 1.wav").arg(target)));

    QStringList targets;
    for (const auto& it : items)
        targets << it.target;
    const RelinkResult relink = RelinkPlaylist(target, targets, listing.sourcePaths, rec);
    ASSERT_TRUE(relink.relinked) << relink.error.toStdString();
    EXPECT_EQ(relink.linesChanged, 2);
    EXPECT_EQ(readFile(target + QStringLiteral("/My Show.kal_old")), show.playlist)
        << "the playlist as restored survives under its name + _old";
    const QByteArray expected =
        QStringLiteral("Fileformat 17\r\n%1/cue 1.wav\r\n%2.bak\r\n%1/thunder.wav\r\n"
                       "/elsewhere/rain.wav\r\n~\r\n")
            .arg(target, show.files[1])
            .toUtf8();
    EXPECT_EQ(readFile(target + QStringLiteral("/My Show.kal")), expected);
}

TEST(Restore, ArchiveWithoutPlaylistRestoresItsFilesAndSaysSo) {
    Show show = makeShow(QStringLiteral("noplaylist"));
    show.files.removeFirst();
    const QString kfa = backupOf(show, QStringLiteral("sounds.kfa"));
    const QString target = freshFolder(QStringLiteral("noplaylist-target"));
    Recorder rec;
    const Restored restored = restoreInto(kfa, target, rec);
    EXPECT_EQ(restored.run.count, 2);
    const RelinkResult relink = RelinkPlaylist(target, {target + QStringLiteral("/cue 1.wav")},
                                               restored.listing.sourcePaths, rec);
    EXPECT_FALSE(relink.relinked);
    EXPECT_TRUE(rec.lines.contains(QStringLiteral("No Playlist found in archive!")));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/thunder.wav")));
}

TEST(Backup, MissingSoundOrCancelLeavesNoArchive) {
    Show show = makeShow(QStringLiteral("missing"));
    const QString kfa = QFileInfo(show.folder).absolutePath() + QStringLiteral("/x.kfa");
    Recorder rec;
    JobControl control;
    show.files << show.folder + QStringLiteral("/gone.wav");
    RunResult r = runBackup(show.files, kfa, rec, control);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorCode, 53);
    EXPECT_TRUE(r.errorText.contains(QStringLiteral("gone.wav")));
    EXPECT_FALSE(QFileInfo::exists(kfa));

    show.files.removeLast();
    control.cancel();
    r = runBackup(show.files, kfa, rec, control);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(QFileInfo::exists(kfa)) << "a cancelled backup leaves no half archive";
    EXPECT_TRUE(
        QDir(QFileInfo(kfa).absolutePath()).entryList({QStringLiteral("x.kfa*")}).isEmpty());
}

// Archives an operator may be handed. Each row makes one in `dir` from the show's files.
struct Case {
    const char* name;
    std::function<QString(const Show&, const QString& dir)> make;
    QString listError; // part of the listing's refusal; empty: the listing works
    int restored;      // files restored into a folder
    QString problem;   // part of a warning or problem
};

QByteArray pathInfoOf(const QStringList& paths) {
    return writePathInfo(paths);
}

// A hand-made archive named `name` holding `entries`.
std::function<QString(const Show&, const QString&)> handMade(const char* name,
                                                             std::vector<HandEntry> entries) {
    return [name, entries](const Show&, const QString& dir) {
        const QString kfa = dir + QLatin1Char('/') + QLatin1String(name);
        writeHandMadeZip(kfa, entries);
        return kfa;
    };
}

TEST(Restore, DamagedAndHostileArchivesAreRefusedOrReportedAndNothingEscapes) {
    const HandEntry a{QStringLiteral("a.wav"), "a"}, b{QStringLiteral("b.wav"), "b"};
    const auto info = [](const QStringList& paths) {
        return HandEntry{QStringLiteral("PathInfo.txt"), pathInfoOf(paths)};
    };
    // clang-format off
    const Case cases[] = {
        {"truncated", [](const Show& s, const QString&) {
             const QString kfa = backupOf(s, QStringLiteral("../cut.kfa"));
             QFile(kfa).resize(QFileInfo(kfa).size() / 2);
             return kfa;
         }, QStringLiteral("cannot be read"), 0, {}},
        {"bad checksum", [](const Show& s, const QString&) {
             const QString kfa = backupOf(s, QStringLiteral("../crc.kfa"));
             QByteArray bytes = readFile(kfa);
             bytes[bytes.indexOf(QByteArray("thunder\0", 8)) + 2] = 'X';
             writeFile(kfa, bytes);
             return kfa;
         }, {}, 2, QStringLiteral("thunder.wav")},
        {"no PathInfo.txt", handMade("nopi.kfa", {a}), QStringLiteral("PathInfo.txt"), 0, {}},
        {"entry climbing out with ..", handMade("up.kfa", {{QStringLiteral("Sounds/../../evil.wav"), "x"},
             info({"/s/evil.wav"})}), QStringLiteral("'..'"), 0, {}},
        {"absolute entry name", handMade("abs.kfa", {{QStringLiteral("/tmp/evil.wav"), "x"},
             info({"/tmp/evil.wav"})}), QStringLiteral("absolute"), 0, {}},
        {"symbolic link entry", handMade("link.kfa", {{QStringLiteral("a.wav"), "/etc/passwd", true},
             info({"/s/a.wav"})}), QStringLiteral("symbolic link"), 0, {}},
        {"PathInfo.txt longer than the entries", handMade("long.kfa", {a, b,
             info({"/s/a.wav", "/s/b.wav", "/s/c.wav"})}), {}, 2, QStringLiteral("/s/c.wav")},
        {"PathInfo.txt shorter than the entries", handMade("short.kfa", {a, b, info({"/s/a.wav"})}),
             {}, 1, QStringLiteral("1 files")},
        {"PathInfo.txt line naming no file", handMade("dots.kfa", {a, {QStringLiteral(".."), "b"},
             info({"/s/a.wav", "/s/.."})}), QStringLiteral("'..'"), 0, {}},
        {"packed by zip with a matching PathInfo.txt", [](const Show& s, const QString& dir) {
             const QString kfa = dir + QStringLiteral("/byzip.kfa");
             writeFile(s.folder + QStringLiteral("/PathInfo.txt"), pathInfoOf(s.files));
             QProcess zip;
             zip.setWorkingDirectory(s.folder);
             zip.start(QStringLiteral("zip"), {QStringLiteral("-q0r"), kfa, QStringLiteral(".")});
             zip.waitForFinished();
             QFile::remove(s.folder + QStringLiteral("/PathInfo.txt"));
             return kfa;
         }, {}, 3, {}},
    };
    // clang-format on
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Show show = makeShow(QStringLiteral("hostile%1").arg(n));
        const QString dir = freshFolder(QStringLiteral("hostile-archives%1").arg(n));
        const QString target = freshFolder(QStringLiteral("hostile-target%1").arg(n++));
        const QString kfa = c.make(show, dir);
        Recorder rec;
        const ArchiveListing listing = listArchive(kfa, rec);
        if (!c.listError.isEmpty()) {
            EXPECT_FALSE(listing.ok);
            EXPECT_TRUE(listing.error.contains(c.listError)) << listing.error.toStdString();
            continue;
        }
        ASSERT_TRUE(listing.ok) << listing.error.toStdString();
        QStringList refused;
        const auto items = planRestore(listing, Destination::Folder, target, &refused);
        JobControl control;
        const RunResult r = runRestore(kfa, listing, items, rec, control);
        EXPECT_EQ(r.count, c.restored);
        const QString reported = (listing.warnings + r.problems).join(QLatin1Char('\n'));
        if (!c.problem.isEmpty())
            EXPECT_TRUE(reported.contains(c.problem)) << reported.toStdString();
        else
            EXPECT_TRUE(reported.isEmpty()) << reported.toStdString();
        // Nothing but the restored files, each whole: no temporary file left behind.
        EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), c.restored);
    }
}

TEST(Restore, WindowsArchiveIsRefusedForSourcePathsAndRelinkedIntoAFolder) {
    const QString dir = freshFolder(QStringLiteral("windows"));
    const QString kfa = dir + QStringLiteral("/win.kfa");
    const QByteArray playlist = "Fileformat 17\r\nC:\\Shows\\Sounds\\a.wav\r\n~\r\n";
    ASSERT_TRUE(
        writeHandMadeZip(kfa, {{QStringLiteral("Show.kal"), playlist},
                               {QStringLiteral("Sounds/a.wav"), "aaaa"},
                               {QStringLiteral("PathInfo.txt"),
                                pathInfoOf({"C:\\Shows\\Show.kal", "C:\\Shows\\Sounds\\a.wav"})}}));
    Recorder rec;
    const ArchiveListing listing = listArchive(kfa, rec);
    ASSERT_TRUE(listing.ok);
    EXPECT_TRUE(listing.madeOnWindows);
    QStringList refused;
    EXPECT_TRUE(planRestore(listing, Destination::SourcePaths, {}, &refused).empty());
    ASSERT_EQ(refused.size(), 2);
    EXPECT_TRUE(refused[0].contains(QStringLiteral("made on Windows")));

    const QString target = freshFolder(QStringLiteral("windows-target"));
    const auto [_, items, run] = restoreInto(kfa, target, rec);
    EXPECT_EQ(run.count, 2);
    const RelinkResult relink =
        RelinkPlaylist(target, {items[0].target, items[1].target}, listing.sourcePaths, rec);
    EXPECT_EQ(relink.linesChanged, 1);
    EXPECT_EQ(readFile(target + QStringLiteral("/Show.kal")),
              QStringLiteral("Fileformat 17\r\n%1/a.wav\r\n~\r\n").arg(target).toUtf8());
}

// Escape pauses the run before its next block while the question is open; Yes ends it
// there, No lets it go on. A run paused before its first file writes nothing at all.
TEST(Restore, EscapeQuestionPausesTheRunAndItsAnswerEndsOrResumesIt) {
    const Show show = makeShow(QStringLiteral("escape"));
    const QString kfa = backupOf(show, QStringLiteral("escape.kfa"));
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "Yes" : "No");
        const QString target = freshFolder(QStringLiteral("escape-target"));
        Recorder rec;
        const ArchiveListing listing = listArchive(kfa, rec);
        QStringList refused;
        const auto items = planRestore(listing, Destination::Folder, target, &refused);
        JobControl control;
        control.pause();
        RunResult r;
        std::thread run([&] { r = runRestore(kfa, listing, items, rec, control); });
        EXPECT_TRUE(QDir(target).isEmpty()) << "nothing is written while the question is open";
        if (cancel)
            control.cancel();
        else
            control.resume();
        run.join();
        EXPECT_EQ(r.cancelled, cancel);
        EXPECT_EQ(r.count, cancel ? 0 : 3);
        EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), cancel ? 0 : 3);
        EXPECT_EQ(rec.lines.contains(QStringLiteral("Restore process cancelled on user request")),
                  cancel);
    }
}

TEST(Restore, SameNameTwiceOrAnExistingFileNeedsTheOperatorsYes) {
    const QString target = freshFolder(QStringLiteral("conflicts"));
    writeFile(target + QStringLiteral("/old.wav"), "keep");
    const std::vector<RestoreItem> items{{0, target + QStringLiteral("/a.wav")},
                                         {1, target + QStringLiteral("/old.wav")},
                                         {2, target + QStringLiteral("/a.wav")}};
    EXPECT_EQ(overwriteConflicts(items), (std::vector<int>{1, 2}));
}

TEST(Restore, FullDiskKeepsWhatWasWrittenAndLeavesNoHalfFile) {
    const Show show = makeShow(QStringLiteral("fulldisk"));
    writeFile(show.files[1], QByteArray(600 * 1024, 'c'));
    const QString kfa = backupOf(show, QStringLiteral("full.kfa"));
    const QString mountPoint = freshFolder(QStringLiteral("tiny"));
    // A 256 kB tmpfs: only where this process may mount (root in CI); otherwise skipped.
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=256k"), QStringLiteral("tmpfs"), mountPoint}) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    Recorder rec;
    const RunResult r = restoreInto(kfa, mountPoint, rec).run;
    const QStringList left = QDir(mountPoint).entryList(QDir::Files);
    QProcess::execute(QStringLiteral("umount"), {mountPoint});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorCode, 61);
    EXPECT_EQ(r.count, 1) << "the playlist was written before the disk filled";
    EXPECT_TRUE(r.errorText.contains(QStringLiteral("cue 1.wav")));
    EXPECT_EQ(left, QStringList{QStringLiteral("My Show.kal")}) << "no half-written sound";
}

TEST(ArchivePaths, EntryNamesAndTargetsStayInsideTheirFolders) {
    EXPECT_EQ(entryNames({"/a/show/x.kal", "/a/show/s/y.wav"}), (QStringList{"x.kal", "s/y.wav"}));
    EXPECT_EQ(entryNames({"C:\\Shows\\x.kal", "C:\\Shows\\s\\y.wav"}),
              (QStringList{"x.kal", "s/y.wav"}));
    EXPECT_EQ(entryNames({"/a/x.wav", "/b/x.wav"}), (QStringList{"a/x.wav", "b/x.wav"}));
    EXPECT_EQ(entryNames({"/only/one.wav"}), QStringList{"one.wav"});
    EXPECT_EQ(targetInFolder("/t/", "C:\\S\\a.wav"), QStringLiteral("/t/a.wav"));
    EXPECT_FALSE(targetInFolder("/t", "/s/.."));
    EXPECT_FALSE(targetInFolder("/t", "/s/"));
    EXPECT_EQ(withKfaExtension("show"), QStringLiteral("show.kfa"));
    EXPECT_EQ(withKfaExtension("show.kfa.bak"), QStringLiteral("show.kfa.bak"));
    const PathInfo info = readPathInfo("/a\r\n\r\n/b\n~\r\n/after\r\n");
    EXPECT_EQ(info.paths, (QStringList{"/a", "/b"}));
    EXPECT_TRUE(info.terminated);
}

} // namespace
} // namespace kalvor::test

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
