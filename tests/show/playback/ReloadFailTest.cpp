// A sounding channel whose sound has to open again elsewhere (another output, another
// speaker set) and cannot go on there: it ends stopped, PLAY unlit. When the sound did not open at all the channel
// is empty and the operator is told as after any failed load; everything that follows the
// channel (remote units, MIDI and OSC feedback, the overview) has heard so by the time the
// box is up, since the box lets events run.
#include "support/ShowRig.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

audio::ScriptedDevice scriptedOutput(const QString& name, int speakers) {
    audio::ScriptedDevice d;
    d.device.name = name;
    d.device.driver = u"scripted:"_s + name;
    d.device.outputChannels = speakers;
    d.device.defaultRate = kRate;
    return d;
}

enum class Failure { OutputGone, FileGone, SpeakersMissing, OutputGoneOnStage };

} // namespace

TEST(ReloadFail, TheChannelEndsStoppedAndTheOperatorIsTold) {
    const auto moveToStage = [](ShowRig& rig) {
        rig.show->channelOps().SetOutput(0, u"Stage"_s);
    };
    struct Row {
        const char* label;
        Failure failure;
        bool paused;
        std::function<void(ShowRig&)> reload;
        const char* boxTitle; // empty: no box (the engine's messages tell it)
    };
    const Row rows[] = {
        {"moved to an output that is gone", Failure::OutputGone, false, moveToStage, ""},
        {"moved while paused to an output that is gone", Failure::OutputGone, true, moveToStage,
         ""},
        {"moved while its file is gone", Failure::FileGone, false, moveToStage,
         "Kalvor Audio Engine"},
        {"sent to other speakers on an output that is gone", Failure::OutputGoneOnStage, false,
         [](ShowRig& rig) { rig.show->channelOps().SetDestination(0, 1); }, ""},
        {"sent to a speaker pair its output lacks", Failure::SpeakersMissing, false,
         [](ShowRig& rig) { rig.show->channelOps().SetDestination(0, 4); }, "Channel Error"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ShowRig rig({}, {scriptedOutput(u"Stage"_s, 6)});
        const QString file = rig.ramp(u"ramp"_s, 3.0);
        rig.loadChannel(0, {file});
        if (row.failure == Failure::SpeakersMissing || row.failure == Failure::OutputGoneOnStage)
            rig.show->channelOps().SetOutput(0, u"Stage"_s);
        ChannelPlayback& play = rig.show->playback();
        play.PressPlay(0);
        if (row.paused)
            play.PauseChannel(0);
        ASSERT_TRUE(KAE__Channel_IsPlaying(0) || KAE__Channel_IsPaused(0));
        if (row.failure == Failure::OutputGone || row.failure == Failure::OutputGoneOnStage)
            rig.backend->unplug(u"scripted:Stage"_s);
        else if (row.failure == Failure::FileGone)
            QFile::remove(file);

        QSignalSpy stopped(&play, &ChannelPlayback::channelStopped);
        QSignalSpy failed(&rig.show->selection(), &SoundSelection::loadFailed);
        bool toldTrue = false;
        rig.dialogs.onBox = [&](const RecordedBox&) {
            toldTrue = !KAE__Channel_IsPlaying(0) && !play.soundReady(0) &&
                       play.buttonColour(0) == ButtonColour::Off && stopped.size() > 0;
        };
        row.reload(rig);
        EXPECT_FALSE(KAE__Channel_IsPlaying(0) || KAE__Channel_IsPaused(0));
        EXPECT_EQ(play.buttonColour(0), ButtonColour::Off);
        EXPECT_GE(stopped.size(), 1);
        EXPECT_EQ(failed.size(), row.failure == Failure::FileGone ? 1 : 0);
        const QList<RecordedBox> boxes = rig.dialogs.messages();
        ASSERT_EQ(boxes.size(), *row.boxTitle ? 1 : 0);
        if (!boxes.isEmpty()) {
            EXPECT_EQ(boxes[0].title, QLatin1String(row.boxTitle));
            EXPECT_EQ(boxes[0].text.endsWith(file), row.failure == Failure::FileGone);
            EXPECT_TRUE(toldTrue) << "the channel shows or says it plays while the box is up";
        }
    }
}
