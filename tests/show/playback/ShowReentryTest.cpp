// Commands that reach the show while it is busy with a load or a recall: a box or a wait
// lets events run, and a remote unit, a key or a timer may then ask for another load, a
// save, the next preset or PLAY. None of them may mix two shows, write a half-loaded show
// over a file, move the preset list under a recall, fire the previous show's sounds, or
// leave the outputs announcing a preset that is no longer the current one.
#include "support/ShowRig.h"

#include "support/TestEnvironment.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

// Two shows on disk. Show A has two presets; its second selects a sound that is missing,
// so recalling it brings up a box (DisplayLoadFailed) in the middle of the recall. Show B
// has one preset and lists the same missing sound, so loading it brings up a box while
// the file is read.
struct TwoShows : ShowRig {
    TwoShows() {
        a = folder + u"/Show A.kal"_s;
        b = folder + u"/Show B.kal"_s;
        loadChannel(0, {tone(u"a"_s, 1.0)});
        loadChannel(1, {tone(u"b"_s, 1.0), folder + u"/gone.wav"_s});
        loadChannel(2, {tone(u"c"_s, 1.0)});
        addPresets(2, 0);
        store.presets().rename(0, u"A1"_s);
        store.presets().rename(1, u"A2"_s);
        store.presets().slot(1).channels[1].selectedSound = 1;
        EXPECT_EQ(show->playlists().SavePlaylist(a, false), playlist::SaveOutcome::Saved);
        store.presets().remove(1);
        store.presets().rename(0, u"B"_s);
        EXPECT_EQ(show->playlists().SavePlaylist(b, false), playlist::SaveOutcome::Saved);
        bytesA = readFile(a);
        bytesB = readFile(b);
        EXPECT_EQ(show->LoadPlaylist(a).outcome, playlist::LoadOutcome::Loaded);
        settings->setInteger(u"DisplayLoadFailed", 1);
        dialogs.clear();
    }
    QString a, b;
    QByteArray bytesA, bytesB;
};

} // namespace

TEST(ShowReentry, ASaveOrLoadAskedForWhileTheShowIsBusyMixesNothing) {
    enum class Busy { LoadingB, RecallingA2 };
    enum class Meanwhile { SaveToTheShowsPath, LoadTheOtherShow };
    using Row = std::tuple<const char*, Busy, Meanwhile>;
    const Row cases[] = {
        {"save while B loads", Busy::LoadingB, Meanwhile::SaveToTheShowsPath},
        {"load A while B loads", Busy::LoadingB, Meanwhile::LoadTheOtherShow},
        {"load B while A2 is recalled", Busy::RecallingA2, Meanwhile::LoadTheOtherShow},
    };
    for (const auto& [label, busy, meanwhile] : cases) {
        SCOPED_TRACE(label);
        TwoShows rig;
        const bool loading = busy == Busy::LoadingB;
        bool asked = false;
        // A missing-sound box is up: a remote unit's command is handled now.
        rig.dialogs.onBox = [&, meanwhile = meanwhile](const RecordedBox&) {
            if (asked)
                return;
            asked = true;
            if (meanwhile == Meanwhile::SaveToTheShowsPath)
                rig.show->playlists().SavePlaylist(rig.store.playlistPath(), false);
            else
                rig.show->LoadPlaylist(loading ? rig.a : rig.b);
        };
        if (loading) {
            EXPECT_EQ(rig.show->LoadPlaylist(rig.b).outcome, playlist::LoadOutcome::Loaded);
        } else {
            rig.show->recall().SelectPreset(1, {false, true});
        }
        ASSERT_TRUE(asked);
        EXPECT_EQ(readFile(rig.a), rig.bytesA) << "show A is not overwritten";
        EXPECT_EQ(readFile(rig.b), rig.bytesB);
        // What the store holds is the show its path names, whole.
        EXPECT_EQ(rig.store.playlistPath(), loading ? rig.b : rig.a);
        EXPECT_EQ(rig.store.presets().names(),
                  loading ? QStringList{u"B"_s} : (QStringList{u"A1"_s, u"A2"_s}));
        EXPECT_EQ(rig.store.presets().current(), loading ? 0 : 1);
        EXPECT_EQ(rig.store.soundList(1).size(), 2);
        EXPECT_FALSE(rig.show->playlists().isLoading() || rig.show->recall().recallBusy());
        // A save now writes exactly what was read.
        const QString path = rig.store.playlistPath();
        ASSERT_EQ(rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);
        EXPECT_EQ(readFile(path), loading ? rig.bytesB : rig.bytesA);
    }
}

// The outputs that follow a recall (MIDI program change, the text reader, remote units)
// must end on the preset that is current, also when the next one was chosen meanwhile.
TEST(ShowReentry, APresetChosenWhileARecallEndsIsTheLastOneAnnounced) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(u"a"_s, 1.0)});
    rig.addPresets(3, 0);
    for (int i = 0; i < 3; ++i)
        rig.store.presets().rename(i, u"Scene %1"_s.arg(i + 1));
    QList<int> finished;
    QStringList status;
    QObject::connect(&rig.show->recall(), &PresetRecall::recallFinished,
                     [&](int index) { finished << index; });
    QObject::connect(&rig.show->recall(), &PresetRecall::statusText,
                     [&](const QString& s) { status << s; });
    // The operator presses GO twice in quick succession: the second arrives while the
    // first recall lets events run.
    QTimer::singleShot(0, [&] { rig.show->recall().NextPreset(); });
    rig.show->recall().NextPreset();
    EXPECT_EQ(rig.store.presets().current(), 2);
    ASSERT_FALSE(finished.isEmpty());
    EXPECT_EQ(finished.back(), 2) << "announced in the order they were recalled";
    EXPECT_EQ(finished, (QList<int>{1, 2}));
    EXPECT_EQ(status.back(), u"Preset: Scene 3   "_s);
}

// A keypad or remote unit works on the preset list while a recall shows a box: the recall
// goes on with the preset it started, so the list must not move under it.
TEST(ShowReentry, ThePresetListStaysAsItIsWhileARecallRuns) {
    using Row = std::tuple<const char*, std::function<void(ShowLayer&)>>;
    const Row cases[] = {
        {"delete the preset being recalled",
         [](ShowLayer& s) {
             s.presets().DeletePreset(false);
         }},
        {"store the channels",
         [](ShowLayer& s) {
             s.presets().StorePreset(0, true);
         }},
        {"add a preset",
         [](ShowLayer& s) {
             s.presets().NewPreset();
         }},
        {"insert a preset",
         [](ShowLayer& s) {
             s.presets().InsertNewPreset(false);
         }},
        {"empty the show",
         [](ShowLayer& s) {
             s.NewPlaylist(true, true, false);
         }},
    };
    for (const auto& [label, edit] : cases) {
        SCOPED_TRACE(label);
        TwoShows rig;
        const std::vector<Preset> before{rig.store.presets().slot(0), rig.store.presets().slot(1)};
        bool asked = false;
        rig.dialogs.onBox = [&, edit = edit](const RecordedBox&) {
            if (!std::exchange(asked, true))
                edit(*rig.show);
        };
        rig.show->recall().SelectPreset(1, {false, true});
        ASSERT_TRUE(asked);
        EXPECT_EQ(rig.store.presets().names(), (QStringList{u"A1"_s, u"A2"_s}));
        EXPECT_EQ(rig.store.presets().current(), 1);
        EXPECT_TRUE(rig.store.presets().slot(0) == before[0]) << "A1 keeps what it stored";
        EXPECT_TRUE(rig.store.presets().slot(1) == before[1]);
        EXPECT_EQ(rig.store.soundList(0).size(), 1);
    }
}

// The keypad's "remove sound" while the box about a missing sound is up: the entry that
// becomes current then is loaded and stays loaded when the box is closed.
TEST(ShowReentry, ASoundMadeCurrentWhileAMissingOneIsReportedStaysLoaded) {
    ShowRig rig;
    const QString here = rig.tone(u"here"_s, 1.0);
    rig.loadChannel(1, {here, rig.folder + u"/gone.wav"_s});
    rig.settings->setInteger(u"DisplayLoadFailed", 1);
    bool asked = false;
    rig.dialogs.onBox = [&](const RecordedBox&) {
        if (!std::exchange(asked, true))
            rig.show->soundLists().Remove(1);
    };
    rig.show->selection().select(1, 1);
    ASSERT_TRUE(asked);
    ASSERT_EQ(rig.store.soundList(1).size(), 1);
    EXPECT_EQ(std::tuple(rig.store.controls(1).selectedSound, rig.store.channel(1).fileName,
                         rig.show->playback().soundReady(1), rig.store.soundList(1).at(0).colour),
              std::tuple(0, here, true, 0));
    rig.show->playback().PlayButtonDown(1);
    EXPECT_GT(rig.renderMs(30).peak(0), 0.0);
}

// PLAY from a keypad or MIDI while a box of a load or a recall is up: a channel that has
// not been given its new sound yet holds the previous show's (or preset's), and that must
// not be heard; a channel the recall has already set up plays.
TEST(ShowReentry, PlayWhileTheShowIsBusyNeverFiresThePreviousSound) {
    using Row = std::tuple<const char*, bool, int, bool>;
    const Row cases[] = {
        {"while B loads", true, 2, false},
        {"while A2 is recalled, a channel not reached yet", false, 2, false},
        {"while A2 is recalled, a channel already set up", false, 0, true},
    };
    for (const auto& [label, loading, ch, plays] : cases) {
        SCOPED_TRACE(label);
        TwoShows rig;
        std::optional<bool> playing;
        rig.dialogs.onBox = [&, ch = ch](const RecordedBox&) {
            if (playing)
                return;
            rig.show->playback().PlayButtonDown(ch);
            playing = KAE__Channel_IsPlaying(ch) && !rig.renderMs(20).silent();
        };
        if (loading)
            rig.show->LoadPlaylist(rig.b);
        else
            rig.show->recall().SelectPreset(1, {false, true});
        ASSERT_TRUE(playing.has_value());
        EXPECT_EQ(*playing, plays);
    }
}

// GO from a keypad, GPIO or MIDI while a load shows a box: the show being read is not
// complete yet, and its first preset is recalled by the load itself, without autostarts.
TEST(ShowReentry, PresetsAreNotRecalledWhileAShowLoads) {
    TwoShows rig;
    QList<int> recalled;
    QObject::connect(&rig.show->recall(), &PresetRecall::recallStarted,
                     [&](int index) { recalled << index; });
    bool asked = false;
    rig.dialogs.onBox = [&](const RecordedBox&) {
        if (std::exchange(asked, true))
            return;
        rig.show->recall().NextPreset();
        rig.show->recall().RecallPreset();
    };
    EXPECT_EQ(rig.show->LoadPlaylist(rig.a).outcome, playlist::LoadOutcome::Loaded);
    ASSERT_TRUE(asked);
    EXPECT_EQ(recalled, QList<int>{0});
    EXPECT_EQ(rig.store.presets().current(), 0);
}
