// Saving a show: the overwrite question, the progress box and its waits, a failed write
// that must leave the previous show byte for byte, and the recent-playlists entry.
#include "support/PlaylistFixtures.h"

#include "core/RecentPlaylists.h"
#include "core/ShowStore.h"
#include "show/playlist/PlaylistFiles.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

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
    // The file size limit is 0 where there is none.
    using Row = std::tuple<const char*, QString, rlim_t, QString>;
    const Row cases[] = {
        {"disk full in the middle of the file", path, 64 * 1024, u"Error 61 = Disk full"_s},
        {"folder that does not exist", dir + u"/gone/show.kal"_s, 0, u"Save_Playlist_To_Disk"_s},
    };
    for (const auto& [label, target, limit, expectedText] : cases) {
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
