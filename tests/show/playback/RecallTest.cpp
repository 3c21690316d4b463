// Recalling presets as a show runs: autostarts together, the modifier keys, the automatic
// store, outputs that are gone, sound indexes that are stale, and loading a show.
//
// Commands that reach the show while it is busy with a load or a recall: a box or a wait
// lets events run, and a remote unit, a key or a timer may then ask for another load, a
// save, the next preset or PLAY. None of them may mix two shows, write a half-loaded show
// over a file, move the preset list under a recall, fire the previous show's sounds, or
// leave the outputs announcing a preset that is no longer the current one.
#include "support/ShowRig.h"

#include "core/SystemMessages.h"
#include "show/presets/PresetCopy.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

// Two presets over the same two ramp channels: channel 0 hard left, channel 1 hard right.
struct TwoPresets : ShowRig {
    TwoPresets() {
        loadChannel(0, {ramp(u"a"_s, 2.0)});
        loadChannel(1, {ramp(u"b"_s, 2.0)});
        store.channel(0).pan = -100;
        store.channel(1).pan = 100;
        show->presets().NewPreset(); // 0: nothing starts
        store.controls(0).autostart = 1;
        store.controls(1).autostart = 1;
        show->presets().NewPreset(); // 1: both start
        store.controls(0).autostart = 0;
        store.controls(1).autostart = 0;
        store.presets().setSelected(0);
        show->recall().RecallPreset();
    }
};

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

// Members of one play group among them do not cancel each other either.
TEST(Recall, AutostartsOfOneRecallStartInTheSameFrame) {
    for (const bool grouped : {false, true}) {
        TwoPresets rig;
        EXPECT_TRUE(rig.renderMs(20).silent());
        if (grouped)
            for (std::size_t ch : {0u, 1u})
                rig.store.presets().slot(1).channels[ch].playGroup = u"4"_s;
        rig.show->recall().NextPreset();
        EXPECT_EQ(rig.store.presets().current(), 1);
        const Block b = rig.renderMs(50);
        ASSERT_GT(b.peak(0), 0.0) << grouped;
        ASSERT_GT(b.peak(1), 0.0) << grouped;
        for (std::int64_t f = 0; f < b.frames(); ++f)
            ASSERT_EQ(rampFrame(b.left(f)), (rampFrame(b.right(f)) - 7919 + 65536) % 65536) << f;
        EXPECT_EQ(rampFrame(b.left(0)), 0) << "from the start of the sound";
    }
}

// Going back to preset 0 brings the fader moved there back only when it was stored.
TEST(Recall, ModifierKeysAndSaveOnChangeDecideStoreAndAutostart) {
    using Row = std::tuple<const char*, PresetModifiers, int, bool, bool>;
    const Row cases[] = {
        {"none", {false, false}, 1, true, true},
        {"shift", {true, false}, 1, true, false},
        {"ctrl", {false, true}, 1, false, true},
        {"shift+ctrl", {true, true}, 1, false, false},
        {"shift without SavePresetsOnChange", {true, false}, 0, false, false},
    };
    for (const auto& [label, keys, saveOnChange, stored, autostarts] : cases) {
        TwoPresets rig;
        rig.settings->setInteger(u"SavePresetsOnChange", saveOnChange);
        rig.store.channel(0).volume = 77; // the operator moved a fader in preset 0
        rig.show->recall().NextPreset(keys);
        EXPECT_EQ(rig.store.presets().slot(0).channels[0].volume == 77, stored) << label;
        EXPECT_EQ(!rig.renderMs(30).silent(), autostarts) << label;
        rig.show->recall().PreviousPreset({true, false});
        EXPECT_EQ(rig.store.channel(0).volume, stored ? 77 : 100) << label;
    }
}

// A recall refused while another runs (the wait box lets keys and remote units in) or with
// nothing selected drops its Shift too: the next recall, from a path without modifier keys
// (the GPIO box, the overview menu), autostarts.
TEST(Recall, ARefusedShiftRecallLeavesTheNextRecallsAutostarts) {
    for (const bool whileARecallRuns : {true, false}) {
        TwoPresets rig;
        if (whileARecallRuns) {
            const auto during = QObject::connect(&rig.show->recall(), &PresetRecall::recallStarted,
                                                 [&] { rig.show->recall().RecallButton(true); });
            rig.show->recall().RecallPreset();
            QObject::disconnect(during);
        } else {
            rig.store.presets().setSelected(-1);
            rig.show->recall().RecallButton(true);
        }
        rig.store.presets().setSelected(1);
        rig.show->recall().RecallPreset();
        EXPECT_EQ(rig.store.presets().current(), 1) << whileARecallRuns;
        EXPECT_GT(rig.renderMs(30).peak(0), 0.0) << whileARecallRuns;
    }
}

// How the output is found and the replacement reported is the engine's (KaeDevices).
TEST(Recall, AMissingOutputIsReplacedByTheFirst) {
    TwoPresets rig;
    rig.store.presets().slot(1).channels[0].outputName = u"Studio Desk 9/10"_s;
    rig.store.presets().slot(1).channels[0].deviceNumber = 42;
    rig.show->recall().NextPreset();
    EXPECT_EQ(rig.store.channel(0).outputName, rig.engine->devices().at(0).name);
    EXPECT_GT(rig.renderMs(30).peak(0), 0.0) << "it plays on the first output";
}

// The preset's sound was replaced on disk by a shorter one since the preset was stored:
// its offset is held to the sound as any other offset is (five seconds before the end, or
// none on a sound of five seconds or less), so PLAY never starts in the last moments of
// the sound or past its end.
TEST(Recall, APresetsOffsetIsHeldToTheSoundLoadedNow) {
    using Row = std::tuple<const char*, double, std::int32_t, std::int32_t>;
    const Row cases[] = {
        {"within the sound", 7.0, kRate, kRate},
        {"less than five seconds before the end", 7.0, 3 * kRate, 2 * kRate},
        {"past the end", 7.0, 9 * kRate, 2 * kRate},
        {"on a short sound", 2.0, kRate, 0},
    };
    for (const auto& [label, seconds, stored, offset] : cases) {
        SCOPED_TRACE(label);
        ShowRig rig;
        rig.loadChannel(0, {rig.ramp(u"a"_s, seconds)});
        rig.show->presets().NewPreset();
        rig.store.presets().slot(0).channels[0].startOffset = stored;
        rig.show->recall().RecallPreset();
        EXPECT_EQ(rig.store.assignments(0).startOffset, offset);
        EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), offset) << "shown there before PLAY";
        rig.show->playback().PlayButtonDown(0);
        EXPECT_EQ(rampFrame(rig.renderMs(20).left(0)), offset % 65536);
    }
}

TEST(Recall, AStaleSoundIndexLeavesNothingToPlay) {
    TwoPresets rig;
    rig.store.presets().slot(1).channels[0].selectedSound = 7;
    rig.show->recall().NextPreset();
    EXPECT_EQ(std::tuple(rig.store.controls(0).selectedSound, rig.store.channel(0).fileName,
                         rig.show->playback().soundReady(0)),
              std::tuple(-1, QString(), false));
    EXPECT_LT(rig.renderMs(30).peak(0), 1e-6);
}

// Short silent sounds, one per name, for lists whose sounds are never heard.
static QStringList sounds(ShowRig& rig, std::initializer_list<const char*> names) {
    QStringList files;
    for (const char* name : names)
        files << rig.silence(QString::fromLatin1(name), 0.1);
    return files;
}

// The list of channel 0 (a, b, c, d) is edited after the presets were made: preset 0 chose
// b, preset 1 and the preset clipboard d. Each still recalls its own sound, or none when
// its entry went; never the one that moved into its place.
TEST(Recall, EditingASoundListKeepsEachPresetsSound) {
    using Edit = std::function<void(ShowRig&)>;
    using Row = std::tuple<const char*, Edit, QStringList>;
    const Row cases[] = {
        {"insert before a",
         Edit([](ShowRig& r) {
             r.show->soundLists().addFiles(0, sounds(r, {"n"}), AddMode::InsertBefore);
         }),
         {"b", "d", "d"}},
        {"drop two after c",
         Edit([](ShowRig& r) {
             r.show->selection().select(0, 2);
             r.show->soundLists().DropFiles(0, sounds(r, {"n", "m"}));
         }),
         {"b", "d", "d"}},
        {"paste c and d before b",
         Edit([](ShowRig& r) {
             SoundListEditor& lists = r.show->soundLists();
             lists.setMultiSelect(0, true);
             lists.setMarked(0, {2, 3});
             lists.Copy(0);
             lists.setMultiSelect(0, false);
             r.show->selection().select(0, 1);
             lists.InsertClipboard(0, false);
         }),
         {"b", "d", "d"}},
        {"remove a", Edit([](ShowRig& r) { r.show->soundLists().Remove(0); }), {"b", "d", "d"}},
        {"remove b",
         Edit([](ShowRig& r) {
             r.show->selection().select(0, 1);
             r.show->soundLists().Remove(0);
         }),
         {"", "d", "d"}},
        {"cut a and c",
         Edit([](ShowRig& r) {
             r.show->soundLists().setMultiSelect(0, true);
             r.show->soundLists().setMarked(0, {0, 2});
             r.show->soundLists().Cut(0);
         }),
         {"b", "d", "d"}},
        // New sounds added afterwards are none of the presets' either.
        {"remove all, add three",
         Edit([](ShowRig& r) {
             r.show->soundLists().RemoveSoundsFromList(0);
             r.show->soundLists().addFiles(0, sounds(r, {"n", "m", "o"}), AddMode::Append);
         }),
         {"", "", ""}},
        {"new playlist keeping the presets, add three",
         Edit([](ShowRig& r) {
             r.show->NewPlaylist(false, true, false);
             r.show->soundLists().addFiles(0, sounds(r, {"n", "m", "o"}), AddMode::Append);
         }),
         {"", "", ""}},
    };
    for (const auto& [label, edit, expected] : cases) {
        SCOPED_TRACE(label);
        ShowRig rig;
        rig.loadChannel(0, sounds(rig, {"a", "b", "c", "d"}));
        rig.show->presets().NewPreset();
        rig.show->presets().NewPreset();
        rig.store.presets().slot(0).channels[0].selectedSound = 1;
        rig.store.presets().slot(1).channels[0].selectedSound = 3;
        rig.show->presets().CopyPreset();
        edit(rig);
        const auto chosen = [&](const Preset& p) {
            const int i = p.channels[0].selectedSound;
            const QList<SoundEntry>& list = rig.store.soundList(0);
            return i >= 0 && i < list.size() ? QFileInfo(list.at(i).path).completeBaseName()
                                             : QString();
        };
        EXPECT_EQ(
            (QStringList{chosen(rig.store.presets().slot(0)), chosen(rig.store.presets().slot(1)),
                         chosen(rig.show->presets().clipboard())})
                .join(u',')
                .toStdString(),
            expected.join(u',').toStdString());
        rig.store.presets().setSelected(0);
        rig.show->recall().RecallPreset();
        EXPECT_EQ(QFileInfo(rig.store.channel(0).fileName).completeBaseName().toStdString(),
                  expected.at(0).toStdString());
    }
}

TEST(Recall, ASecondRecallWhileOneRunsIsIgnored) {
    TwoPresets rig;
    int started = 0;
    QObject::connect(&rig.show->recall(), &PresetRecall::recallStarted, [&] {
        ++started;
        rig.show->recall().NextPreset(); // a remote command arriving meanwhile
        rig.show->recall().RecallPreset();
    });
    rig.show->recall().NextPreset();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(rig.store.presets().current(), 1);
}

TEST(Recall, LoadingAShowRecallsItsFirstPresetWithoutAutostarts) {
    TwoPresets rig;
    rig.store.presets().setSelected(1);
    const QString path = rig.folder + u"/show.kal"_s;
    ASSERT_EQ(rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);
    // Preset 0 of the file gets an autostart; "IgnoreAutostart" (on by default) keeps it quiet.
    rig.store.presets().slot(0).channels[0].autostart = 1;
    ASSERT_EQ(rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);
    ASSERT_EQ(rig.show->LoadPlaylist(path).outcome, playlist::LoadOutcome::Loaded);
    EXPECT_EQ(std::tuple(rig.store.presets().count(), rig.store.presets().current(),
                         rig.show->playback().soundReady(0)),
              std::tuple(2, 0, true));
    EXPECT_TRUE(rig.renderMs(30).silent());
}

TEST(Recall, NewPlaylistEmptiesWhatItsBoxesSay) {
    using Row = std::tuple<bool, bool, bool, int, bool, bool>;
    const Row cases[] = {
        {true, true, true, 1, false, false},
        {true, false, false, 1, true, true},
        {false, true, false, 2, false, true},
    };
    for (const auto& [presets, sounds, playlists, presetCount, soundsLeft, pathLeft] : cases) {
        TwoPresets rig;
        rig.store.setPlaylistPath(u"/shows/old.kal"_s);
        rig.show->playback().PlayButtonDown(0);
        QStringList status;
        QObject::connect(rig.show.get(), &ShowLayer::statusText,
                         [&](const QString& s) { status << s; });
        rig.show->NewPlaylist(presets, sounds, playlists);
        EXPECT_EQ(rig.store.presets().count(), presetCount);
        EXPECT_EQ(!rig.store.soundList(0).isEmpty(), soundsLeft);
        EXPECT_EQ(!rig.store.playlistPath().isEmpty(), pathLeft);
        if (sounds) {
            EXPECT_FALSE(KAE__Channel_IsPlaying(0)) << "cleared channels are stopped";
            EXPECT_TRUE(rig.renderMs(20).silent());
        }
        EXPECT_EQ(status.contains(u"Playlist: ---   "_s), presets && sounds && playlists);
    }
}

// A missing file and one that is no sound: the channel is left empty (the list keeps the
// entry, so the show can be repaired) and keeps nothing of the sound before.
TEST(Recall, ASoundThatFailsToLoadLeavesTheChannelEmpty) {
    // Missing or no sound, DisplayLoadFailed, the end of the box text (nullptr: no box).
    using Row = std::tuple<bool, int, const char*>;
    const Row cases[] = {
        {true, 0, nullptr}, {true, 1, "\r\ndoes not exist!"}, {false, 0, "/bad.wav"}};
    for (const auto& [missing, announce, boxEnd] : cases) {
        SCOPED_TRACE(testing::Message() << "missing " << missing << ", announced " << announce);
        ShowRig rig;
        rig.settings->setInteger(u"DisplayLoadFailed", announce);
        const QString bad = rig.folder + u"/bad.wav"_s;
        if (!missing)
            writeFile(bad, QByteArray("RIFF----WAVEjunk").repeated(64));
        rig.loadChannel(2, {rig.tone(u"here"_s, 1.0), bad});
        rig.store.assignments(2).startOffset = 22050;
        ASSERT_TRUE(rig.show->playback().soundReady(2));
        rig.show->selection().select(2, 1);
        EXPECT_EQ(rig.store.soundList(2).at(1).colour == kMissingSoundColour, missing);
        EXPECT_EQ(std::tuple(rig.store.channel(2).fileName, rig.show->playback().soundReady(2),
                             rig.store.assignments(2).startOffset,
                             rig.store.assignments(2).soundLength),
                  std::tuple(QString(), false, 0, 0));
        rig.show->playback().PlayButtonDown(2);
        EXPECT_TRUE(rig.renderMs(20).silent());
        const auto boxes = rig.dialogs.messages();
        const QString text = boxes.value(0).text;
        EXPECT_EQ(boxes.size(), boxEnd ? 1 : 0);
        EXPECT_TRUE(!boxEnd || (text.contains(bad) && text.endsWith(QLatin1String(boxEnd))))
            << qPrintable(text);
        // What the next store writes belongs to the new entry alone.
        ASSERT_TRUE(rig.show->presets().NewPreset());
        const PresetChannel& stored = rig.store.presets().slot(0).channels[2];
        EXPECT_EQ(std::tuple(stored.selectedSound, stored.startOffset), std::tuple(1, 0));
    }
}

TEST(Recall, SoundsOpenAheadOfTheLoadsWhichStillReportInChannelOrder) {
    std::mutex mutex;
    QStringList opened; // as the engine opens them, from its worker threads too
    ShowRig rig([&](const QString& path, engine::DecoderRoute route, QString* error) {
        const std::lock_guard lock(mutex);
        opened << path;
        return engine::openDecoder(path, route, error);
    });
    const QString bad = rig.folder + u"/bad.wav"_s;
    writeFile(bad, QByteArray("RIFF----WAVEjunk").repeated(64));
    QStringList second; // what the recall loads, channel by channel; one is no sound at all
    for (int ch = 0; ch < 4; ++ch) {
        second << (ch == 2 ? bad : rig.tone(u"b%1"_s.arg(ch), 1.0));
        rig.loadChannel(ch, {rig.tone(u"a%1"_s.arg(ch), 1.0), second.back()});
    }
    rig.show->presets().NewPreset();
    for (int ch = 0; ch < 4; ++ch)
        rig.store.presets().slot(0).channels[ch].selectedSound = 1;
    SystemMessages::instance().setShowAudioMessages(true);
    SystemMessages::instance().clear();
    opened.clear();
    QStringList openedByFirstChannel;
    QObject::connect(&rig.show->recall(), &PresetRecall::channelRecalled, [&](int ch) {
        if (ch == 0)
            openedByFirstChannel = opened;
    });
    rig.show->recall().RecallPreset();
    SystemMessages::instance().setShowAudioMessages(false);

    // The lines of the loads, in channel order, the bad one failing in its place.
    const QStringList& lines = SystemMessages::instance().entries();
    QStringList attaching;
    for (int i = 0; i + 1 < lines.size(); ++i)
        if (lines.at(i).contains(u"Attaching: "_s))
            attaching << lines.at(i) + u" | "_s + lines.at(i + 1);
    ASSERT_EQ(attaching.size(), 4);
    const std::int64_t preBuffer = rig.settings->integer(u"PreBufferSize") * kRate / 1000;
    for (int ch = 0; ch < 4; ++ch) {
        const bool good = ch != 2;
        // The others were open before the first had loaded, and none was opened twice.
        EXPECT_TRUE(openedByFirstChannel.contains(second.at(ch))) << ch;
        EXPECT_TRUE(!good || opened.count(second.at(ch)) == 1) << ch;
        EXPECT_TRUE(attaching.at(ch).contains(second.at(ch)) &&
                    attaching.at(ch).endsWith(good ? u"successful!"_s : u"Handle is zero!"_s))
            << attaching.at(ch).toStdString();
        // Each loaded stream holds its pre-buffer, decoded ahead, before it counts as loaded.
        EXPECT_EQ(rig.show->playback().soundReady(ch), good) << ch;
        EXPECT_TRUE(!good ||
                    rig.lib->channelBufferedFrames(rig.engine->slot(ch).stream) >= preBuffer)
            << ch;
    }
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_TRUE(rig.dialogs.messages().at(0).text.endsWith(bad));
}

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
    using Edit = std::function<void(ShowLayer&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"delete the preset being recalled",
         Edit([](ShowLayer& s) { s.presets().DeletePreset(false); })},
        {"store the channels", Edit([](ShowLayer& s) { s.presets().StorePreset(0, true); })},
        {"add a preset", Edit([](ShowLayer& s) { s.presets().NewPreset(); })},
        {"insert a preset", Edit([](ShowLayer& s) { s.presets().InsertNewPreset(false); })},
        {"empty the show", Edit([](ShowLayer& s) { s.NewPlaylist(true, true, false); })},
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
