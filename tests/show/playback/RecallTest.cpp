// Recalling presets as a show runs: autostarts together, the modifier keys, the automatic
// store, outputs that are gone, sound indexes that are stale, and loading a show.
#include "support/ShowRig.h"

#include "core/SystemMessages.h"
#include "show/presets/PresetCopy.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <tuple>

#include <mutex>

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

// How the output is found and the replacement reported is the engine's (KaeDevices).
TEST(Recall, AMissingOutputIsReplacedByTheFirst) {
    TwoPresets rig;
    rig.store.presets().slot(1).channels[0].outputName = u"Studio Desk 9/10"_s;
    rig.store.presets().slot(1).channels[0].deviceNumber = 42;
    rig.show->recall().NextPreset();
    EXPECT_EQ(rig.store.channel(0).outputName, rig.engine->devices().at(0).name);
    EXPECT_GT(rig.renderMs(30).peak(0), 0.0) << "it plays on the first output";
}

TEST(Recall, ThePresetsStartOffsetIsWhereTheChannelStands) {
    TwoPresets rig;
    rig.store.presets().slot(0).channels[0].startOffset = 22050;
    rig.show->recall().RecallPreset(); // preset 0: nothing starts
    EXPECT_EQ(rig.store.assignments(0).startOffset, 22050);
    EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), 22050) << "shown there before PLAY";
    rig.show->playback().PlayButtonDown(0);
    EXPECT_EQ(rampFrame(rig.renderMs(20).left(0)), 22050);
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
