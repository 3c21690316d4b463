// Saving a show: the overwrite question, the progress box and its waits, a failed write
// that must leave the previous show byte for byte, and the recent-playlists entry. A save
// that reported success must survive a power cut: the new file's data reach the disk
// before it replaces the old one, and the folder entry that now names it is flushed too,
// or the old show comes back after the restart as if the save had never happened (seen by
// standing in for fsync and fdatasync in this program); a disk that reports a fault only
// when the file is flushed to it must not get the cut-off file in the old show's place.
// And a show saved and loaded again is the same show: every value of every channel of
// every preset, the sound lists, the layout, the GPIO block and the text-reader link.
#include "support/PlaylistFixtures.h"

#include "core/RecentPlaylists.h"
#include "core/ShowStore.h"
#include "show/playlist/PlaylistFiles.h"
#include "support/DiskFaults.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <tuple>
#include <vector>

using namespace kalvor;
using namespace kalvor::playlist;
using namespace Qt::StringLiterals;

namespace {

struct SmallShow {
    SmallShow() {
        std::mt19937 rng(3);
        for (int i = 0; i < 5; ++i)
            store.presets().append(test::randomPreset(rng, i));
        store.setSoundList(0, {makeSoundEntry(u"/s/a.wav"_s)});
    }
    ShowStore store;
    RecentPlaylists recent;
    PlaylistFiles files{store, nullptr, &recent};
};

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Names the first field that differs, so a failure says which line went astray.
QString firstDifference(const Preset& a, const Preset& b) {
    if (a.name != b.name)
        return u"name '%1' vs '%2'"_s.arg(a.name, b.name);
    if (a.textReaderPosition != b.textReaderPosition ||
        a.remoteTextPosition != b.remoteTextPosition)
        return u"text positions"_s;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (const QString& field : test::format17LineNames()) {
            const QString x = test::fieldText(a.channels[static_cast<std::size_t>(ch)], field);
            const QString y = test::fieldText(b.channels[static_cast<std::size_t>(ch)], field);
            if (x != y)
                return u"channel %1 %2: '%3' vs '%4'"_s.arg(ch + 1).arg(field, x, y);
        }
    }
    return a == b ? QString() : u"a difference outside the 76 lines"_s;
}

} // namespace

TEST(PlaylistSave, AnExistingFileIsOnlyReplacedAfterYes) {
    const QString path = test::freshFolder(u"overwrite"_s) + u"/show.kal"_s;
    using Row = std::tuple<bool, MessageResult, SaveOutcome, int>;
    const Row cases[] = {
        {true, MessageResult::No, SaveOutcome::Declined, 1},
        {true, MessageResult::Cancel, SaveOutcome::Declined, 1},
        {true, MessageResult::Yes, SaveOutcome::Saved, 1},
        {false, MessageResult::No, SaveOutcome::Saved, 0},
    };
    for (const auto& [ask, answer, outcome, questions] : cases) {
        test::writeFile(path, "the old show\r\n");
        test::ScriptedDialogs dialogs;
        test::ScriptedWaits waits;
        dialogs.answerMessages({answer});
        SmallShow show;
        EXPECT_EQ(show.files.SavePlaylist(path, ask), outcome);
        ASSERT_EQ(dialogs.messages().size(), questions);
        // A stray Enter keeps the old show.
        EXPECT_TRUE(!questions || dialogs.messages()[0].defaultButton == MessageResult::No);
        EXPECT_EQ(test::readFile(path) == "the old show\r\n", outcome == SaveOutcome::Declined);
        // A saved show is a recent playlist, named without ".kal"; the progress box is closed.
        EXPECT_EQ(show.recent.names(),
                  outcome == SaveOutcome::Saved ? QStringList{u"show"_s} : QStringList());
        EXPECT_FALSE(dialogs.waitShown() || dialogs.busyDepth());
    }
}

TEST(PlaylistSave, AFailedWriteLeavesThePreviousShowByteForByte) {
    const QString dir = test::freshFolder(u"failed-save"_s);
    const QString path = dir + u"/show.kal"_s;
    test::ScriptedWaits waits;
    // The file size limit is 0 where there is none; so is the error of the flush to disk.
    using Row = std::tuple<const char*, QString, rlim_t, int, QString>;
    const Row cases[] = {
        {"disk full in the middle of the file", path, 64 * 1024, 0, u"Error 61 = Disk full"_s},
        {"disk full told only by the flush to disk", path, 0, ENOSPC, u"Error 61 = Disk full"_s},
        {"folder that does not exist", dir + u"/gone/show.kal"_s, 0, 0, u"Save_Playlist_To_Disk"_s},
    };
    for (const auto& [label, target, limit, flushError, expectedText] : cases) {
        SCOPED_TRACE(label);
        {
            test::ScriptedDialogs quiet;
            SmallShow first;
            ASSERT_EQ(first.files.SavePlaylist(path, false), SaveOutcome::Saved);
        }
        const QByteArray before = test::readFile(path);
        ASSERT_GT(before.size(), 64 * 1024) << "the new file must not fit under the limit";

        test::ScriptedDialogs dialogs;
        SmallShow second;
        second.store.presets().rename(0, u"Changed"_s);
        std::optional<test::FileSizeLimit> cap;
        if (limit)
            cap.emplace(limit);
        std::optional<test::FailingFlush> failingFlush;
        if (flushError)
            failingFlush.emplace(flushError);
        EXPECT_EQ(second.files.SavePlaylist(target, false), SaveOutcome::Failed);
        EXPECT_EQ(test::readFile(path), before);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{u"show.kal"_s})
            << "no temporary file left";
        ASSERT_EQ(dialogs.messages().size(), 1);
        const QString box = dialogs.messages()[0].title + u": "_s + dialogs.messages()[0].text;
        EXPECT_TRUE(box.startsWith(u"Error!: "_s) && box.contains(expectedText)) << qPrintable(box);
        EXPECT_FALSE(dialogs.waitShown());
        EXPECT_EQ(dialogs.busyDepth(), 0);
        EXPECT_EQ(second.recent.count(), 0) << "a failed save is not a recent playlist";
    }
}

TEST(PlaylistSave, RecentPlaylistsSelectKnownPathsAndStopAtAHundred) {
    RecentPlaylists recent;
    recent.append(u"Hamlet"_s, u"/shows/Hamlet.kal"_s);
    recent.append(u"Faust"_s, u"/shows/Faust.kal"_s);
    const auto add = [&](const char* path, const char* display) {
        return AddToRecentPlaylists(recent, QString::fromLatin1(path),
                                    QString::fromLatin1(display));
    };
    // A known path is compared without case; the last four characters of the name go,
    // whatever they are.
    using Row = std::tuple<const char*, const char*, int>;
    const Row cases[] = {{"/SHOWS/hamlet.KAL", "hamlet.KAL", 0},
                         {"/shows/Faust.kal", "Faust.kal", 1},
                         {"/shows/Lear.kal", "Lear.kal", 2},
                         {"/shows/Tempest.kal", "Tempest", 3}};
    for (const auto& [path, display, index] : cases) {
        EXPECT_EQ(add(path, display), index) << path;
        EXPECT_EQ(recent.selection(), index) << path;
        EXPECT_FALSE(recent.selectionSetByProgram());
    }
    EXPECT_EQ(recent.names(), (QStringList{"Hamlet", "Faust", "Lear", "Tem"}));
    while (recent.count() < 100)
        recent.append(u"x"_s, u"/x%1.kal"_s.arg(recent.count()));
    EXPECT_EQ(add("/one/more.kal", "more.kal"), -1);
    EXPECT_EQ(add("/shows/lear.kal", "lear.kal"), 2) << "a full list still selects a known one";
}

TEST(PlaylistSave, ALoadedShowJoinsTheRecentPlaylists) {
    const QString dir = test::freshFolder(u"recent-load"_s);
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    const QString good = dir + u"/Macbeth.kal"_s;
    ASSERT_EQ(SmallShow().files.SavePlaylist(good, false), SaveOutcome::Saved);
    test::writeFile(dir + u"/junk.kal"_s, "not a show\r\n");
    for (const QString& name : {u"Macbeth"_s, u"gone"_s, u"junk"_s}) {
        SmallShow s;
        s.files.LoadPlaylist(dir + QLatin1Char('/') + name + u".kal"_s);
        const bool loaded = name == QLatin1String("Macbeth");
        EXPECT_EQ(s.recent.names(), loaded ? QStringList{name} : QStringList());
        EXPECT_EQ(s.recent.path(0), loaded ? good : QString());
    }
}

TEST(PlaylistDurability, ASavedShowIsOnDiskWithTheFolderEntryThatNamesIt) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    const QString dir = test::freshFolder(u"durable save"_s);
    const QString path = dir + u"/Hamlet.kal"_s;
    test::writeFile(path, "the old show\r\n");
    SmallShow show;
    test::takeDiskFlushes();
    ASSERT_EQ(show.files.SavePlaylist(path, false), SaveOutcome::Saved);
    const std::vector<test::DiskFlush> flushes = test::takeDiskFlushes();

    const struct stat file = statOf(path);
    const struct stat folder = statOf(dir);
    int fileAt = -1;
    int folderAt = -1;
    for (int i = 0; i < static_cast<int>(flushes.size()); ++i) {
        const test::DiskFlush& f = flushes[static_cast<std::size_t>(i)];
        if (!f.folder && f.device == file.st_dev && f.inode == file.st_ino && fileAt < 0)
            fileAt = i;
        if (f.folder && f.device == folder.st_dev && f.inode == folder.st_ino)
            folderAt = i;
    }
    EXPECT_GE(fileAt, 0) << "the new show's data are flushed";
    EXPECT_GT(folderAt, fileAt) << "then the folder, once the new file has its name";
}

// A remote unit's "store and save" while the progress box of a save lets events run: a
// save reported done must be the one whose show ends up in the file.
TEST(PlaylistDurability, ASaveReportedDoneIsWhatTheFileHolds) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    const QString path = test::freshFolder(u"nested save"_s) + u"/Hamlet.kal"_s;
    SmallShow show;
    std::optional<SaveOutcome> inner;
    QTimer::singleShot(0, [&] {
        show.store.presets().rename(0, u"Act 1 revised"_s);
        inner = show.files.SavePlaylist(path, false);
    });
    ASSERT_EQ(show.files.SavePlaylist(path, false), SaveOutcome::Saved);
    ASSERT_TRUE(inner.has_value()) << "the second save came while the first one waited";
    const bool revisedOnDisk = test::readFile(path).contains("\r\nAct 1 revised\r\n");
    EXPECT_EQ(*inner == SaveOutcome::Saved, revisedOnDisk);
}

TEST(PlaylistRoundTrip, SaveAndLoadGiveBackAllValuesOfAHundredRandomPresets) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    std::mt19937 rng(20261205);
    ShowStore store;
    PlaylistFiles saved{store, nullptr, nullptr};
    for (int i = 0; i < kPresetCapacity; ++i)
        ASSERT_TRUE(store.presets().append(test::randomPreset(rng, i)));
    const QString dir = test::freshFolder(u"roundtrip"_s);
    for (int ch = 0; ch < kChannelCount; ch += 3) {
        QList<SoundEntry> list;
        for (int k = 0; k < 4; ++k)
            list.append(makeSoundEntry(dir + u"/ch%1/sound %2.wav"_s.arg(ch).arg(k)));
        store.setSoundList(ch, list);
    }
    const QString path = dir + u"/show.kal"_s;
    ASSERT_EQ(saved.SavePlaylist(path, true), SaveOutcome::Saved);

    // The preset section holds exactly 2435 lines per preset.
    const QList<QByteArray> lines = test::readFile(path).split('\n');
    ASSERT_GT(lines.size(), 1 + 100 * 2435);
    EXPECT_EQ(lines[1 + 100 * 2435], QByteArray("~\r"));
    EXPECT_EQ(lines[1 + 99 * 2435], store.presets().slot(99).name.toUtf8() + "\r");

    ShowStore loadedStore;
    PlaylistFiles loaded{loadedStore, nullptr, nullptr};
    const LoadReport report = loaded.LoadPlaylist(path);
    EXPECT_EQ(report.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(report.format, 17);
    ASSERT_EQ(loadedStore.presets().count(), kPresetCapacity);
    EXPECT_EQ(loadedStore.presets().names(), store.presets().names());
    for (int i = 0; i < kPresetCapacity; ++i) {
        const QString diff =
            firstDifference(store.presets().slot(i), loadedStore.presets().slot(i));
        ASSERT_TRUE(diff.isEmpty()) << "preset " << i + 1 << ": " << qPrintable(diff);
    }
    EXPECT_EQ(loaded.currentDocument().soundPaths, saved.currentDocument().soundPaths);
    EXPECT_EQ(loadedStore.playlistPath(), path);
}

TEST(PlaylistRoundTrip, LayoutGpioAndLinkComeBackAndThePresetNamedEmptyIsDropped) {
    std::mt19937 rng(7);
    PlaylistDocument doc;
    for (int i = 0; i < 3; ++i)
        doc.presets.push_back(test::randomPreset(rng, i));
    doc.presets[1].name = u"  empty "_s;
    doc.presets[2].name = u"~"_s;
    // The layout block's own round trip is the overview layout file's (the same writer).
    OverviewLayout layout = defaultOverviewLayout();
    std::shuffle(layout.columnPositions.begin(), layout.columnPositions.end(), rng);
    layout.fontSize = 11.5f;
    doc.overviewLayout = layout;
    GpioBlock gpio = defaultGpioBlock();
    gpio.directions[1] = GpioDirection::Out;
    gpio.lines[23] = {u"PLAY/STOP Channel 3"_s, 3, 0, 250, 500};
    gpio.playlistConfiguration = true;
    doc.gpio = gpio;
    doc.textReaderLink = {u"/shows/scripts/"_s, u"Hamlet Akt 1.rtf"_s};
    doc.soundPaths[31] = QStringList{u"/s/a.wav"_s, u"/s/b.mp3"_s};
    const PlaylistReadResult back = readPlaylist(writePlaylist(doc), {.readGpioBlock = true});
    ASSERT_EQ(back.status, ReadStatus::Complete);
    ASSERT_EQ(back.document.presets.size(), 2u) << "the slot named \"empty\" is not written";
    EXPECT_TRUE(firstDifference(back.document.presets[0], doc.presets[0]).isEmpty());
    EXPECT_EQ(back.document.presets[1].name, u"~"_s) << "a preset named \"~\" stays a preset";
    EXPECT_EQ(back.document.overviewLayout, layout);
    EXPECT_EQ(back.document.gpio, gpio);
    EXPECT_EQ(back.document.textReaderLink, doc.textReaderLink);
    EXPECT_EQ(back.document.soundPaths[31], doc.soundPaths[31]);
    EXPECT_FALSE(back.layoutLengthUnexpected);
}

TEST(PlaylistRoundTrip, FilesAreWrittenAsUtf8WithCrLfAndOldEncodingsAndLineEndsStillRead) {
    Preset p;
    p.setName(u"Café – Szene 1"_s);
    p.channels[0].channelInfo = u"Gewitter\nim Park"_s; // a line break must not split the field
    PlaylistDocument doc;
    doc.presets.push_back(p);
    const QByteArray bytes = writePlaylist(doc);
    EXPECT_TRUE(bytes.startsWith("Fileformat 17\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "no bare LF";
    EXPECT_TRUE(bytes.contains("Caf\xC3\xA9 \xE2\x80\x93 Szene 1\r\n"));
    const auto again = readPlaylist(bytes);
    ASSERT_EQ(again.status, ReadStatus::Complete);
    EXPECT_EQ(again.document.presets.at(0).channels[0].channelInfo, u"Gewitter im Park"_s);

    // The same file with LF only, and with the name in Windows-1252.
    QByteArray lfOnly = bytes;
    lfOnly.replace("\r\n", "\n");
    lfOnly.replace("Caf\xC3\xA9 \xE2\x80\x93", "Caf\xE9 \x96");
    // A byte-order mark inside the file is text: a sound called "\uFEFF~" is no section end.
    doc.soundPaths[2] = QStringList{QString(QChar(0xFEFF)) + QLatin1Char('~'), u"/s/after.wav"_s};
    const auto marked = readPlaylist(writePlaylist(doc));
    ASSERT_EQ(marked.status, ReadStatus::Complete);
    EXPECT_EQ(marked.document.soundPaths[2], doc.soundPaths[2]);

    const auto old = readPlaylist(lfOnly);
    ASSERT_EQ(old.status, ReadStatus::Complete);
    EXPECT_EQ(old.document.presets.at(0).name, u"Café – Szene 1"_s);
}
