// PLAY in its modes, heard on the offline device: every case is judged by the samples
// that come out, the way an operator judges it by ear. (The modes end to end, through
// kalvor-tool render, and the right button, hold and play groups: tests/cli; a play group
// starting an earlier channel is part of the button colour test here.) What a fade-out
// ends in when something other than a PLAY on the playing channel started it: a stop
// group or the release of a hold channel ends the sound for good, and the step after the
// stop (jump, autostart) starts the next sound once, whatever the restart box. A restart
// is a restart for the log whichever way the channel gets back to its start. The channel
// operations every input path calls take the ends of their range and refuse the first
// value past them without touching the channel or the engine.
#include "core/SystemMessages.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/ShowRig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

// What each press is heard to start with: a frame of the ramp, or one of these.
constexpr std::int64_t kSilent = -1, kContinue = -2;

enum class Ending { StopGroup, StopGroupDuringRestartFade, HoldRelease, PressWithJumpAndAutostart };

} // namespace

TEST(PlayModes, EachPressDoesWhatTheModesSay) {
    // Each step: press PLAY, render 100 ms, judge.
    using Row = std::tuple<const char*, int, int, int, std::vector<std::int64_t>>;
    const Row cases[] = {
        {"plain: start, stop, start again from the offset", 0, 0, 1000, {1000, kSilent, 1000}},
        {"pause: the third press continues where it paused", 0, 1, 0, {0, kSilent, kContinue}},
        {"restart: back to the offset without a gap", 1, 0, 500, {500, 500, 500}},
    };
    for (const auto& [label, restart, pause, startOffset, steps] : cases) {
        ShowRig rig;
        rig.loadChannel(0, {rig.ramp(u"ramp"_s, 1.0)});
        rig.store.controls(0).restartMode = static_cast<std::uint8_t>(restart);
        rig.store.controls(0).pauseMode = static_cast<std::uint8_t>(pause);
        rig.store.assignments(0).startOffset = startOffset;
        std::int64_t lastHeard = -1;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            rig.show->playback().PlayButtonDown(0);
            const Block b = rig.renderMs(100);
            if (steps[i] == kSilent) {
                EXPECT_TRUE(b.silentAfterRamp()) << label << " step " << i;
                continue;
            }
            ASSERT_FALSE(b.silent()) << label << " step " << i;
            // A restart of a playing sound crossfades into its offset over the first frames,
            // and a resume fades in over as many.
            const bool ramped = (restart == 1 && i > 0) || steps[i] == kContinue;
            const std::int64_t from = ramped ? kRampFrames : 0;
            const std::int64_t first = (rampFrame(b.left(from)) - from + 65536) % 65536;
            const std::int64_t expected = steps[i] == kContinue ? lastHeard + 1 : steps[i];
            EXPECT_EQ(first, expected) << label << " step " << i;
            // Once started, every frame follows the one before: no gap, no repeat.
            for (std::int64_t f = from + 1; f < b.frames(); ++f)
                ASSERT_EQ(rampFrame(b.left(f)), (first + f) % 65536)
                    << label << " step " << i << " frame " << f;
            lastHeard = rampFrame(b.left(b.frames() - 1));
        }
    }
}

// The segments' levels are the engine's (KaeSound), a restart after the fade-out the restart
// log test's; here the fade-out runs out into a stop, or a third press cuts it short.
TEST(PlayModes, AFadeOutRunsOutOrAThirdPressCutsItShort) {
    for (const bool pressAgain : {false, true}) {
        SCOPED_TRACE(pressAgain ? "pressed during the fade" : "fade runs out");
        ShowRig rig;
        rig.loadChannel(0, {rig.tone(u"tone"_s, 5.0)});
        rig.store.channel(0).fadeOut = {1000, true, 2};
        auto& play = rig.show->playback();
        play.PlayButtonDown(0);
        rig.renderMs(100);
        play.PlayButtonDown(0); // fade-out begins
        if (pressAgain) {
            rig.renderMs(100);
            play.PlayButtonDown(0);
            EXPECT_TRUE(rig.renderMs(50).silentAfterRamp());
        } else {
            EXPECT_GT(rig.renderMs(500).peak(0), 0.1) << "fading, not cut";
            rig.renderMs(600);
            EXPECT_TRUE(rig.renderMs(50).silent());
        }
        EXPECT_FALSE(KAE__Channel_IsPlaying(0));
        EXPECT_EQ(play.buttonColour(0), ButtonColour::Off);
    }
}

TEST(PlayModes, StopGroupEndsTheOthersWithTheirFadeOut) {
    for (const auto& [fadeIn, fadeOut] :
         {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
        SCOPED_TRACE(testing::Message() << "fade-in " << fadeIn << ", fade-out " << fadeOut);
        ShowRig rig;
        rig.loadChannel(0, {rig.tone(u"a"_s, 5.0)});
        rig.loadChannel(1, {rig.tone(u"b"_s, 5.0)});
        rig.store.channel(0).pan = -100;
        rig.store.channel(1).pan = 100;
        rig.store.channel(0).fadeIn = {1000, fadeIn, 1};
        rig.store.channel(0).fadeOut = {400, fadeOut, 2};
        rig.store.controls(0).stopGroup = u"1"_s;
        rig.store.controls(1).stopGroup = u"1"_s;
        auto& play = rig.show->playback();
        play.PlayButtonDown(0);
        // A member still in its fade-in (curve 1: about 72 of 100 after 300 ms) is ended too.
        const double reached = rig.renderMs(fadeIn ? 300 : 100).peak(0);
        play.PlayButtonDown(1);
        const Block next = rig.renderMs(50);
        EXPECT_GT(next.peak(1), 0.4);
        if (fadeOut) {
            EXPECT_GT(next.peak(0), 0.01) << "fading, not cut";
            EXPECT_LE(next.peak(0), reached * 1.01) << "never louder than it was";
            for (int i = 0; i < 10; ++i)
                rig.renderMs(50);
        }
        EXPECT_TRUE(rig.renderMs(50).peak(0) < 1e-6);
        EXPECT_FALSE(KAE__Channel_IsPlaying(0));
    }
}

namespace {

// Ticks Loop in the moment between the end of the sound in the audio callback and its
// message on the UI thread, as a click queued before the message would.
class LoopTickedLate : public QObject {
public:
    explicit LoopTickedLate(ShowStore& store) : store_(store) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == audio::EngineMessageEvent::eventType())
            store_.controls(0).loopMode = 1;
        return false;
    }

private:
    ShowStore& store_;
};

} // namespace

TEST(PlayModes, EndOfSoundAtItsLastFrame) {
    for (const bool tickedLate : {false, true}) {
        ShowRig rig;
        const int frames = 8820;
        rig.loadChannel(0, {rig.ramp(u"short"_s, frames / double(kRate))});
        LoopTickedLate late(rig.store);
        if (tickedLate)
            rig.engine->dispatcher().installEventFilter(&late);
        rig.show->playback().PlayButtonDown(0);
        const Block b = rig.render(12000);
        std::int64_t last = -1;
        for (std::int64_t f = 0; f < b.frames(); ++f)
            if (std::fabs(b.left(f)) > 0 || std::fabs(b.right(f)) > 0)
                last = f;
        // Frame 0 of the ramp is -1.0 on the left, so it is audible from its first frame.
        EXPECT_EQ(last, frames - 1) << tickedLate;
        rig.renderMs(10);
        EXPECT_FALSE(KAE__Channel_IsPlaying(0)) << tickedLate;
        EXPECT_EQ(rig.show->playback().buttonColour(0), ButtonColour::Off)
            << "a sound that has ended is shown stopped, loop ticked late or not: " << tickedLate;
    }
}

TEST(PlayModes, JumpModeStepsTheListOnAndAutostartPlaysItThrough) {
    ShowRig rig;
    rig.loadChannel(
        0, {rig.tone(u"one"_s, 0.1), rig.tone(u"two"_s, 0.1), rig.tone(u"three"_s, 0.1)}, 1);
    rig.store.controls(0).jumpMode = 1;
    auto& play = rig.show->playback();
    play.PlayButtonDown(0);
    rig.renderMs(20);
    play.PlayButtonDown(0); // stop
    EXPECT_EQ(rig.store.controls(0).selectedSound, 2);
    rig.renderMs(5); // the stopped sound's 3 ms fade-out
    EXPECT_TRUE(rig.renderMs(20).silent()) << "without autostart the next sound waits";

    rig.store.controls(0).autostart = 1;
    play.PlayButtonDown(0);
    QList<int> heard;
    for (int i = 0; i < 40; ++i) {
        rig.renderMs(10);
        const int sel = rig.store.controls(0).selectedSound;
        if (heard.isEmpty() || heard.constLast() != sel)
            heard << sel;
    }
    EXPECT_EQ(heard.mid(0, 4), (QList<int>{2, 0, 1, 2})) << "after the last comes the first";
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
}

TEST(PlayModes, AnOutputThatGoesAwayStopsItsChannelsWithoutJumpingOn) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(u"lost1"_s, 2.0), rig.tone(u"lost2"_s, 2.0)});
    rig.store.controls(0).jumpMode = 1;
    rig.store.controls(0).autostart = 1;
    auto& play = rig.show->playback();
    QSignalSpy stopped(&play, &ChannelPlayback::channelStopped);
    play.PlayButtonDown(0);
    rig.renderMs(20);
    rig.backend->unplug(u"offline"_s);
    rig.renderMs(20);
    // MIDI out, GPIO and the remote units follow the signal; no jump on a dead output.
    EXPECT_EQ(std::tuple(play.buttonColour(0), stopped.count(), rig.store.controls(0).selectedSound,
                         KAE__Channel_IsPlaying(0)),
              std::tuple(ButtonColour::Off, 1, 0, false));
}

TEST(PlayModes, ButtonColoursFlashByPhase) {
    ShowRig rig;
    rig.loadChannel(0, {rig.silence(u"long"_s, 30.0)});
    rig.loadChannel(1, {rig.silence(u"short"_s, 5.0)});
    rig.store.controls(2).pauseMode = 1;
    rig.loadChannel(2, {rig.silence(u"paused"_s, 30.0)});
    // Channel 1 starts channel 0, before it, through their play group.
    rig.store.controls(0).playGroup = rig.store.controls(1).playGroup = u"2"_s;
    auto& play = rig.show->playback();
    play.PlayButtonDown(1);
    play.PlayButtonDown(2);
    rig.renderMs(20);
    play.PlayButtonDown(2); // pauses
    using C = ButtonColour;
    const C expected[4][3] = {
        {C::On, C::End, C::Pause}, // phase 1
        {C::Off, C::Off, C::Off},  // phase 2: everything flashes
        {C::Off, C::End, C::Off},  // phase 3: only the end signal shows
        {C::Off, C::Off, C::Off},  // phase 4
    };
    for (int phase = 0; phase < 4; ++phase) {
        play.tickButtonColours();
        EXPECT_EQ(play.buttonPhase(), phase + 1);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(play.buttonColour(ch), expected[phase][ch])
                << "phase " << phase + 1 << " channel " << ch;
    }
}

TEST(PlayModes, TimeDisplayShowsPositionLengthAndCountdown) {
    ShowRig rig;
    rig.loadChannel(0, {rig.silence(u"long"_s, 75.0)});
    auto& play = rig.show->playback();
    // Channel, position, CountDown: position, length (or what is left) and percent.
    using Row = std::tuple<int, int, int, const char*>;
    const Row rows[] = {{0, 0, 0, "00:00:00 00:01:15 0"},
                        {0, 30, 0, "00:00:30 00:01:15 40"},
                        {0, 30, 1, "00:00:30 00:00:45 40"},
                        {7, 0, 1, "00:00:00 00:00:00 0"}}; // an empty channel shows zeros
    for (const auto& [ch, seconds, countDown, shown] : rows) {
        KAE__Channel_SetPositionInSec(ch, seconds);
        rig.settings->setInteger(u"CountDown", countDown);
        const TimeDisplay t = play.timeDisplay(ch);
        EXPECT_EQ(u"%1 %2 %3"_s.arg(t.position, t.length).arg(t.percent), QLatin1String(shown));
    }
    play.PlayButtonDown(7);
    EXPECT_EQ(play.buttonColour(7), ButtonColour::Off) << "and PLAY does nothing";
}

TEST(PlayModes, GlobalControlRollsBackAndRepeatsOnlyItsChannels) {
    ShowRig rig;
    rig.loadChannel(0, {rig.silence(u"a"_s, 70.0)});
    rig.loadChannel(1, {rig.silence(u"b"_s, 5.0)});
    rig.store.controls(0).rollback = 1;
    rig.settings->setInteger(u"SceneRollbackTime", 30);
    auto& play = rig.show->playback();
    play.GlobalPlay();
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
    EXPECT_FALSE(KAE__Channel_IsPlaying(1)) << "only channels in the global control";
    KAE__Channel_SetPositionInSec(0, 40);
    play.GlobalRollback();
    EXPECT_EQ(KAE__Channel_GetPositionInSec(0), 10);
    play.GlobalRollback(); // 10 s is not more than 30 s: stays
    EXPECT_EQ(KAE__Channel_GetPositionInSec(0), 10);
    play.GlobalForward();
    EXPECT_EQ(KAE__Channel_GetPositionInSec(0), 40);
    play.GlobalPause();
    EXPECT_TRUE(KAE__Channel_IsPaused(0));
    KAE__Channel_SetPositionInSec(0, 60);
    play.GlobalRepeat();
    EXPECT_EQ(KAE__Channel_GetPositionInSec(0), 40) << "back to where forward left it";
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
}

TEST(PlayModes, ClickRemovalReopensTheSoundAndReportsOneThatIsGone) {
    ShowRig rig;
    rig.settings->setInteger(u"ClickFix", 1);
    const QString file = rig.tone(u"reopened"_s, 2.0);
    rig.loadChannel(0, {file});
    auto& play = rig.show->playback();
    for (const bool gone : {false, true}) {
        SCOPED_TRACE(gone ? "file gone before the stop" : "file there");
        play.PlayButtonDown(0);
        rig.renderMs(50);
        if (gone)
            QFile::remove(file);
        SystemMessages::instance().clear();
        play.PlayButtonDown(0); // stop: the sound is opened afresh
        rig.renderMs(10);
        // A sound that could not be opened again is not shown ready to play in silence.
        EXPECT_EQ(std::tuple(play.soundReady(0), rig.store.assignments(0).soundLength > 0),
                  std::tuple(!gone, !gone));
        const QStringList messages = SystemMessages::instance().entries();
        EXPECT_EQ(!messages.isEmpty() && messages.last().contains(file), gone)
            << qPrintable(messages.join(u'|'));
    }
}

TEST(FadeOutEnding, EndsOrGoesOnAsTheCauseSays) {
    using Row = std::tuple<const char*, Ending, bool, int>;
    const Row cases[] = {
        {"a stop group ends a restart channel", Ending::StopGroup, false, 0},
        {"a stop group ends a restart channel already fading out to start again",
         Ending::StopGroupDuringRestartFade, false, 0},
        {"releasing a hold channel ends it, restart or not", Ending::HoldRelease, false, 0},
        {"jump and autostart start the next sound, and leave it playing",
         Ending::PressWithJumpAndAutostart, true, 1},
    };
    for (const auto& [label, ending, playingAfter, selectedAfter] : cases) {
        ShowRig rig;
        rig.loadChannel(0, {rig.tone(u"a"_s, 5.0), rig.tone(u"b"_s, 5.0)});
        rig.loadChannel(1, {rig.tone(u"c"_s, 5.0)});
        rig.store.channel(0).pan = -100;
        rig.store.channel(1).pan = 100;
        rig.store.channel(0).fadeOut = {300, true, 2};
        ChannelControls& k = rig.store.controls(0);
        k.restartMode = 1;
        k.holdMode = ending == Ending::HoldRelease ? 1 : 0;
        k.jumpMode = k.autostart = ending == Ending::PressWithJumpAndAutostart ? 1 : 0;
        k.stopGroup = rig.store.controls(1).stopGroup = u"1"_s;
        auto& play = rig.show->playback();
        play.PlayButtonDown(0);
        rig.renderMs(100);
        switch (ending) {
        case Ending::StopGroup:
            play.PlayButtonDown(1);
            break;
        case Ending::StopGroupDuringRestartFade:
            play.PlayButtonDown(0);
            rig.renderMs(50);
            play.PlayButtonDown(1);
            break;
        case Ending::HoldRelease:
            play.PlayButtonUp(0);
            break;
        case Ending::PressWithJumpAndAutostart:
            play.PlayButtonUp(0);
            play.PlayButtonDown(0);
            break;
        }
        // The fade-out and whatever follows its end.
        for (int i = 0; i < 20; ++i)
            rig.renderMs(50);
        const Block after = rig.renderMs(50);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), playingAfter) << label;
        EXPECT_EQ(after.peak(0) > 0.4, playingAfter) << label;
        EXPECT_EQ(play.buttonColour(0), playingAfter ? ButtonColour::On : ButtonColour::Off)
            << label;
        EXPECT_EQ(rig.store.controls(0).selectedSound, selectedAfter) << label;
    }
}

// With the option on, each restart asks for one new log entry.
TEST(RestartLog, EveryKindOfRestartAsksForANewEntry) {
    using Row = std::tuple<const char*, bool, bool>;
    const Row cases[] = {
        {"without fades", false, false},
        {"with its fade-in", true, false},
        {"after its fade-out", false, true},
    };
    for (const auto& [label, fadeIn, fadeOut] : cases) {
        ShowRig rig;
        rig.settings->setOn(u"LogRestartCreate", true);
        rig.loadChannel(0, {rig.tone(u"a"_s, 5.0)});
        rig.store.channel(0).fadeIn = {200, fadeIn, 1};
        rig.store.channel(0).fadeOut = {200, fadeOut, 2};
        rig.store.controls(0).restartMode = 1;
        auto& play = rig.show->playback();
        QSignalSpy log(&play, &ChannelPlayback::logEntry);
        play.PressPlay(0);
        rig.renderMs(300);
        play.PressPlay(0);
        for (int i = 0; i < 10; ++i)
            rig.renderMs(50);
        EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << label;
        EXPECT_GT(rig.renderMs(50).peak(0), 0.4) << label << ": playing again at full level";
        int restarts = 0;
        for (const QList<QVariant>& entry : log)
            restarts += entry.at(1).value<LogReason>() == LogReason::Restart ? 1 : 0;
        EXPECT_EQ(restarts, 1) << label;
    }
}

TEST(Operations, RangesEndWhereTheirEndsAre) {
    ShowRig rig;
    rig.loadChannel(0, {rig.ramp(u"two seconds"_s, 2.0)});
    ChannelOperations& ops = rig.show->channelOps();
    const struct {
        const char* what;
        std::function<bool()> call;
        bool accepted;
    } cases[] = {
        {"volume 100", [&] { return ops.SetVolume(0, 100); }, true},
        {"volume 101", [&] { return ops.SetVolume(0, 101); }, false},
        {"pan -100", [&] { return ops.SetPan(0, -100); }, true},
        {"pan -101", [&] { return ops.SetPan(0, -101); }, false},
        {"speed -50 %", [&] { return ops.SetVariSpeed(0, kVariSpeedMin); }, true},
        {"speed +50 %", [&] { return ops.SetVariSpeed(0, kVariSpeedMax); }, true},
        {"speed +51 %", [&] { return ops.SetVariSpeed(0, kVariSpeedMax + 1); }, false},
        {"the last frame", [&] { return ops.SeekSeconds(0, (2 * kRate - 1) / double(kRate)); },
         true},
        {"the end itself", [&] { return ops.SeekSeconds(0, 2.0); }, false},
        {"group 8", [&] { return ops.SetGroup(0, true, 8); }, true},
        {"group 9", [&] { return ops.SetGroup(0, true, 9); }, false},
    };
    SystemMessages::instance().setShowAudioMessages(true);
    for (const auto& c : cases) {
        SystemMessages::instance().clear();
        EXPECT_EQ(c.call(), c.accepted) << c.what;
        // A refused value never reaches the engine, which would report it as an error.
        EXPECT_TRUE(SystemMessages::instance().entries().filter(u"Error"_s).isEmpty()) << c.what;
    }
    SystemMessages::instance().setShowAudioMessages(false);
    EXPECT_EQ(rig.store.channel(0).variSpeed, kVariSpeedMax);
    EXPECT_EQ(rig.store.channel(0).volume, 100);
    EXPECT_EQ(rig.store.controls(0).playGroup, u"8"_s);
}
