// Time code: the quarter-frame assembly (in order, out of order, absurd), and what it does
// to channels with cues: start seeked into the sound, stop at the stop cue, stop on a jump
// or a halt, loops, and the cue window's operations and typed fields. Also time code as a
// real source sends it over the places where the frame count does not simply go up by one
// (drop-frame minutes, midnight, a jump, running backwards): a channel chasing it must
// neither be cut nor fired at a time it is not cued for.
#include "MidiRig.h"
#include "app/MidiWiring.h"
#include "mainwindow/strips/StripsRig.h"

#include "control/midi/MtcClock.h"
#include "control/ui/CueWindow.h"
#include "core/Settings.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using midi::MtcCues;
using Cue = midi::MtcCues::Cue;

namespace {

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

constexpr std::int32_t kTenSeconds = 250; // 00:00:10:00 at 25 fps

struct Tc {
    int hh, mm, ss, ff;
};

// Rate codes of the hours piece: 0 24 fps, 1 25 fps, 2 30 fps drop-frame, 3 30 fps.
constexpr int k25 = 1;
constexpr int k30Drop = 2;

// One quarter-frame cycle (two frames) of `tc`, in the order of time code running forwards,
// or backwards (hours piece first).
std::vector<std::uint8_t> cycle(Tc tc, int rate, bool backwards) {
    const int nibbles[] = {tc.ff & 0x0F, tc.ff >> 4, tc.ss & 0x0F, tc.ss >> 4,
                           tc.mm & 0x0F, tc.mm >> 4, tc.hh & 0x0F, (rate << 1) | (tc.hh >> 4)};
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 8; ++i) {
        const int piece = backwards ? 7 - i : i;
        out.push_back(static_cast<std::uint8_t>(piece << 4 | nibbles[piece]));
    }
    return out;
}

// The eight pieces of hh:mm:ss:ff in order; rate codes as above.
std::vector<std::uint8_t> pieces(int hh, int mm, int ss, int ff, int rate = k25) {
    return cycle({hh, mm, ss, ff}, rate, false);
}

std::int32_t frames(Tc tc, int fps) {
    return ((tc.hh * 60 + tc.mm) * 60 + tc.ss) * fps + tc.ff;
}

} // namespace

TEST(MtcClock, QuarterFramesAssembleIntoEvaluatedTimes) {
    struct Case {
        const char* label;
        std::vector<std::uint8_t> input;
        std::vector<std::int32_t> evaluated;
        int fps;
    };
    // clang-format off
    const Case cases[] = {
        {"10 s at 25 fps: 252 at frames-low, 253 at minutes-low",
         concat({pieces(0, 0, 10, 0), {0x00, 0x10, 0x20, 0x30, 0x40}}), {252, 253}, 25},
        {"the first full time only starts the sequence", pieces(0, 0, 10, 0), {}, 25},
        {"30 fps from the first time on, though the rate before was 25",
         concat({pieces(1, 0, 0, 0, 3), pieces(1, 0, 0, 0, 3), {0x00}}), {108002, 108003, 108002}, 30},
        {"24 fps", concat({pieces(0, 1, 0, 0, 0), pieces(0, 1, 0, 0, 0), {0x00}}), {1442, 1443, 1442}, 24},
        {"pieces before any frames-low piece start nothing", concat({{0x70, 0x40, 0x40}, {0x00, 0x40}}), {}, 24},
        {"absurd nibbles are taken as they come (31 h, 255 min...)",
         concat({{0x00, 0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F}, {0x00}}), {1222892}, 30},
    };
    // clang-format on
    for (const Case& c : cases) {
        midi::MtcClock clock;
        std::vector<std::int32_t> got;
        for (std::uint8_t d : c.input)
            if (const auto t = clock.quarterFrame(d).evaluate)
                got.push_back(*t);
        EXPECT_EQ(got, c.evaluated) << c.label;
        EXPECT_EQ(clock.fps(), c.fps) << c.label;
    }
}

TEST(MtcCues, TimeCodeStartsSeeksAndStopsCuedChannels) {
    // Channel 0: 4 s sound, cue at 10 s. Evaluations are at most one frame apart unless
    // the case means a jump.
    struct Case {
        const char* label;
        std::int32_t stopCue;
        bool loop;
        bool handStarted;
        std::vector<std::int32_t> times;
        bool playing;
        std::int64_t position; // frames into the sound, -1: not checked
    };
    // clang-format off
    const Case cases[] = {
        {"before the cue nothing starts", 0, false, false, {248, 249}, false, -1},
        {"at the cue it starts from the start", 0, false, false, {249, 250}, true, 0},
        {"entering late it starts seeked", 0, false, false, {275}, true, kRate},
        {"past start plus length it does not start", 0, false, false, {350}, false, -1},
        {"a stop cue beyond the sound's end: entering past that end does not start it", 750, false, false, {360}, false, -1},
        {"the stop cue stops what time code started", 260, false, false, {255, 256, 260}, false, -1},
        {"a hand-started channel is never stopped by a cue", 260, false, true, {259, 260}, true, -1},
        {"a jump back stops it, re-entering restarts it", 0, false, false, {275, 276, 251}, true, kRate / 25},
        {"looping: the pass is found (10 s into a 4 s loop = 2 s in)", 0, true, false, {500}, true, 2 * kRate},
        {"looping stops at its stop cue", 400, true, false, {399, 400}, false, -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        MidiRig rig(1, 1, 4.0);
        rig.store.assignments(0).mtcStart = kTenSeconds;
        rig.store.assignments(0).mtcStop = c.stopCue;
        rig.store.controls(0).loopMode = c.loop ? 1 : 0;
        if (c.handStarted)
            rig.show->playback().PressPlay(0);
        for (std::int32_t t : c.times)
            rig.mtc.evaluate(t);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), c.playing) << c.label;
        EXPECT_EQ(rig.mtc.mtcStarted(0), c.playing && !c.handStarted) << c.label;
        EXPECT_TRUE(c.position < 0 || KAE__Channel_GetPositionInSamples(0) == c.position)
            << c.label;
    }
}

TEST(MtcCues, HaltDisableAndZeroCue) {
    MidiRig rig(2, 1, 4.0);
    rig.store.assignments(0).mtcStart = kTenSeconds;
    rig.store.assignments(1).mtcStart = 0; // a stop cue alone is no cue
    rig.store.assignments(1).mtcStop = 400;
    rig.mtc.setEnabled(true);
    for (std::uint8_t d : concat({pieces(0, 0, 10, 0), {0x00}}))
        rig.mtc.quarterFrame(d);
    EXPECT_EQ(rig.playing(), (std::vector<int>{0}));
    EXPECT_EQ(rig.mtc.displayText(), QStringLiteral("MTC 00:00:10:02"));
    rig.mtc.stopTimerTick(); // time moved since the last tick
    EXPECT_EQ(rig.playing(), (std::vector<int>{0}));
    rig.mtc.stopTimerTick(); // nothing new for a whole tick
    EXPECT_EQ(rig.playing(), (std::vector<int>{}));
    EXPECT_FALSE(rig.mtc.clock().sequenceStarted());

    rig.mtc.evaluate(260);
    ASSERT_TRUE(rig.mtc.mtcStarted(0));
    rig.mtc.setEnabled(false);
    EXPECT_EQ(rig.playing(), (std::vector<int>{}));
    EXPECT_EQ(rig.mtc.displayColour(), midi::kMtcGrey);
}

TEST(MtcCues, LoopOfNoLengthDisablesMidiWithItsLines) {
    MidiRig rig(1, 1, 1.0);
    rig.store.assignments(0).mtcStart = kTenSeconds;
    rig.store.assignments(0).startOffset = rig.store.assignments(0).soundLength;
    rig.store.controls(0).loopMode = 1;
    bool closed = false;
    rig.mtc.closeInput = [&] {
        closed = true;
    };
    rig.mtc.evaluate(300);
    EXPECT_TRUE(closed);
    const QStringList& lines = SystemMessages::instance().entries();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(
        QStringLiteral("Long value overflow on mp variable in Module: Process_MTC_Cues")));
    EXPECT_TRUE(lines.last().endsWith(
        QStringLiteral("Error in: Process_MTC_Cues (MIDI will now be disabled!")));
}

// Entered late, a channel with a speed change has played its sound at that speed.
TEST(MtcCues, VariSpeedChannelIsSeekedByTheSoundItPlayed) {
    struct Case {
        int speed; // percent change
        std::int32_t time;
        std::int64_t position; // -1: not started (its 4 s are over)
    };
    const Case cases[] = {
        {-50, kTenSeconds + 25, kRate / 2},
        {-50, kTenSeconds + 6 * 25, 3 * kRate},
        {50, kTenSeconds + 3 * 25, -1},
    };
    for (const Case& c : cases) {
        MidiRig rig(1, 1, 4.0);
        rig.store.assignments(0).mtcStart = kTenSeconds;
        ASSERT_TRUE(rig.show->channelOps().SetVariSpeed(0, c.speed));
        rig.mtc.evaluate(c.time);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), c.position >= 0) << c.speed << " at " << c.time;
        EXPECT_TRUE(c.position < 0 ||
                    std::abs(KAE__Channel_GetPositionInSamples(0) - c.position) <= 1)
            << c.speed << ": " << KAE__Channel_GetPositionInSamples(0);
    }
}

// The device goes on playing while the cues are processed. Two channels cued at the same
// frame, entered a second late, must be heard together and from the place time code names,
// never from the head of their sound first.
TEST(MtcCues, ChannelsCuedTogetherStartTogetherAtTheirPlace) {
    MidiRig rig(2, 1, 4.0);
    for (int ch = 0; ch < 2; ++ch) {
        rig.store.assignments(ch).mtcStart = kTenSeconds;
        rig.store.channel(ch).pan = ch == 0 ? -100 : 100; // channel 0 left, 1 right
    }
    Block between;
    QObject::connect(&rig.show->playback(), &ChannelPlayback::channelStarted, [&](int ch) {
        if (ch == 0)
            between = rig.render(512);
    });
    rig.mtc.evaluate(kTenSeconds + 25);
    const Block after = rig.render(2048);
    EXPECT_TRUE(between.silent()) << "nothing before both are in place";
    ASSERT_GT(after.peak(0), 0.0);
    for (std::int64_t f = 0; f < after.frames(); f += 101) {
        EXPECT_NEAR(rampFrame(after.left(f)), kRate + f, 1) << f;
        EXPECT_NEAR(rampFrame(after.right(f)), kRate + f + 7919, 1) << f; // the ramp's right side
    }
}

// A channel whose sound is missing, or not loaded yet while a recall runs, has nothing to
// start: time code passing its cue must neither close the MIDI input nor mark it as started.
TEST(MtcCues, ChannelWithoutASoundIsLeftAlone) {
    struct Case {
        const char* label;
        bool loop;
        bool unloaded; // else: its sound is still the old one, not ready
    };
    const Case cases[] = {
        {"looping, its sound missing", true, true},
        {"not looping, mid-recall", false, false},
    };
    for (const Case& c : cases) {
        MidiRig rig(1, 1, 4.0);
        rig.store.assignments(0).mtcStart = kTenSeconds;
        rig.store.controls(0).loopMode = c.loop ? 1 : 0;
        if (c.unloaded)
            rig.show->selection().unload(0);
        else
            rig.show->playback().setSoundReady(0, false);
        bool closed = false;
        rig.mtc.closeInput = [&] {
            closed = true;
        };
        const qsizetype lines = SystemMessages::instance().entries().size();
        rig.mtc.evaluate(260);
        rig.mtc.evaluate(261);
        EXPECT_FALSE(closed) << c.label;
        EXPECT_EQ(SystemMessages::instance().entries().size(), lines) << c.label;
        EXPECT_FALSE(rig.mtc.mtcStarted(0)) << c.label;
    }
}

TEST(MtcCues, CueEditsFollowTheRulesAndTheGroup) {
    MidiRig rig(3, 1, 4.0);
    rig.store.controls(0).playGroup = QStringLiteral("2");
    rig.store.controls(2).playGroup = QStringLiteral("2");
    rig.settings->setOn(u"ShowMtcOnMain", true);
    rig.mtc.setCue(0, MtcCues::Cue::Start, 25 * 86400 - 1);
    rig.mtc.stepCue(0, MtcCues::Cue::Start, 1);
    EXPECT_EQ(rig.mtc.cue(0, MtcCues::Cue::Start), 0) << "23:59:59:24 + 1 frame wraps";
    rig.mtc.setCue(0, MtcCues::Cue::Start, kTenSeconds);
    rig.mtc.setCue(0, MtcCues::Cue::Stop, 300);
    EXPECT_EQ(rig.store.assignments(2).mtcStart, kTenSeconds) << "the play group follows";
    EXPECT_EQ(rig.store.assignments(2).mtcStop, 300);
    EXPECT_EQ(rig.store.assignments(1).mtcStart, 0) << "not in the group";
    EXPECT_EQ(rig.mtc.stripCueText(2), QStringLiteral("Cue: 00:00:10:00"));

    rig.mtc.copyCues(0);
    rig.mtc.pasteCues(1);
    EXPECT_EQ(rig.store.assignments(1).mtcStop, 300);

    rig.mtc.evaluate(260);
    ASSERT_TRUE(rig.mtc.mtcStarted(1));
    rig.mtc.stepCue(1, MtcCues::Cue::Start, 1);
    EXPECT_FALSE(rig.mtc.mtcStarted(1)) << "a moved cue stops what time code started";
    EXPECT_FALSE(KAE__Channel_IsPlaying(1));
    rig.mtc.captureCue(1, MtcCues::Cue::Stop);
    EXPECT_EQ(rig.mtc.cue(1, MtcCues::Cue::Stop), rig.mtc.clock().now());
    rig.mtc.resetCue(1, MtcCues::Cue::Start);
    EXPECT_EQ(rig.mtc.cue(1, MtcCues::Cue::Start), 0);
}

TEST(MtcChase, ChannelFollowsTimeCodeWithoutCutsOrStrayStarts) {
    struct Case {
        const char* label;
        int rate;
        Tc cue;
        bool backwards;
        std::vector<Tc> times; // the cycles as they arrive
        int starts;            // of channel 1, over the whole run
        int stops;
    };
    // clang-format off
    const Case cases[] = {
        {"29.97 drop-frame: 00:01:00:00 and :01 do not exist, the count runs on", k30Drop,
         {0, 0, 59, 0}, false,
         {{0, 0, 59, 20}, {0, 0, 59, 22}, {0, 0, 59, 24}, {0, 0, 59, 26}, {0, 0, 59, 28},
          {0, 1, 0, 2}, {0, 1, 0, 4}, {0, 1, 0, 6}}, 1, 0},
        {"29.97 drop-frame on odd frames", k30Drop, {0, 0, 59, 0}, false,
         {{0, 0, 59, 21}, {0, 0, 59, 23}, {0, 0, 59, 25}, {0, 0, 59, 27}, {0, 0, 59, 29},
          {0, 1, 0, 3}, {0, 1, 0, 5}}, 1, 0},
        {"every tenth minute keeps its frames: a skip there is a jump", k30Drop,
         {0, 9, 59, 0}, false,
         {{0, 9, 59, 20}, {0, 9, 59, 22}, {0, 9, 59, 24}, {0, 9, 59, 26}, {0, 9, 59, 28},
          {0, 10, 0, 2}, {0, 10, 0, 4}}, 2, 1},
        {"25 fps over midnight", k25, {23, 59, 59, 0}, false,
         {{23, 59, 59, 16}, {23, 59, 59, 18}, {23, 59, 59, 20}, {23, 59, 59, 22},
          {23, 59, 59, 24}, {0, 0, 0, 1}, {0, 0, 0, 3}}, 1, 0},
        {"a real jump still stops it and starts it again", k25, {0, 0, 59, 0}, false,
         {{0, 0, 59, 10}, {0, 0, 59, 12}, {0, 0, 59, 14}, {0, 0, 59, 16}, {0, 1, 0, 10},
          {0, 1, 0, 12}}, 2, 1},
        {"backwards at five minutes: a cue at ten frames is not reached", k25, {0, 0, 0, 10}, true,
         {{0, 5, 10, 20}, {0, 5, 10, 18}, {0, 5, 10, 16}, {0, 5, 10, 14}, {0, 5, 10, 12}}, 0, 0},
        {"backwards through a cue's window: no start at each frame", k25, {0, 0, 5, 0}, true,
         {{0, 0, 6, 20}, {0, 0, 6, 18}, {0, 0, 6, 16}, {0, 0, 6, 14}, {0, 0, 6, 12}}, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        int starts = 0; // outlive the rig, whose closing may still stop channels
        int stops = 0;
        MidiRig rig(1, 1, 4.0);
        rig.store.assignments(0).mtcStart = frames(c.cue, c.rate == k25 ? 25 : 30);
        QObject::connect(&rig.show->playback(), &ChannelPlayback::channelStarted,
                         [&](int ch) { starts += ch == 0; });
        QObject::connect(&rig.show->playback(), &ChannelPlayback::channelStopped,
                         [&](int ch) { stops += ch == 0; });
        rig.mtc.setEnabled(true);
        for (const Tc& tc : c.times)
            for (std::uint8_t d : cycle(tc, c.rate, c.backwards))
                rig.mtc.quarterFrame(d);
        if (!c.backwards)
            rig.mtc.quarterFrame(0x00); // the next cycle's first piece evaluates the last
        EXPECT_EQ(starts, c.starts) << c.label;
        EXPECT_EQ(stops, c.stops) << c.label;
        EXPECT_EQ(KAE__Channel_IsPlaying(0), c.starts > 0) << c.label;
    }
}

// One cycle of time code, then the next cycle's pieces up to its minutes-low piece: the
// two evaluations name the two frames that follow the cycle, and a channel cued at either
// starts on that very frame.
TEST(MtcChase, CueFiresOnTheFrameItNames) {
    struct Case {
        const char* label;
        int rate;
        Tc cycle;
        Tc cue;
        QStringList shown; // at the frames-low and at the minutes-low piece
        int startsAt;      // 0 at the first evaluation, 1 at the second
    };
    // clang-format off
    const Case cases[] = {
        {"drop-frame: after 00:00:59:28 comes 00:01:00:02", k30Drop, {0, 0, 59, 28}, {0, 1, 0, 2},
         {"MTC 00:01:00:02", "MTC 00:01:00:03"}, 0},
        {"drop-frame on odd frames", k30Drop, {0, 0, 59, 27}, {0, 1, 0, 2},
         {"MTC 00:00:59:29", "MTC 00:01:00:02"}, 1},
        {"midnight: after 23:59:59:23 comes 00:00:00:00", k25, {23, 59, 59, 23}, {0, 0, 0, 1},
         {"MTC 00:00:00:00", "MTC 00:00:00:01"}, 1},
        {"midnight on odd frames", k25, {23, 59, 59, 24}, {0, 0, 0, 1},
         {"MTC 00:00:00:01", "MTC 00:00:00:02"}, 0},
        {"drop-frame midnight", k30Drop, {23, 59, 59, 28}, {0, 0, 0, 1},
         {"MTC 00:00:00:00", "MTC 00:00:00:01"}, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        MidiRig rig(1, 1, 4.0);
        rig.store.assignments(0).mtcStart = frames(c.cue, c.rate == k25 ? 25 : 30);
        QStringList shown;
        QObject::connect(&rig.mtc, &MtcCues::displayChanged,
                         [&](const QString& text, int) { shown << text; });
        for (std::uint8_t d : cycle(c.cycle, c.rate, false))
            rig.mtc.quarterFrame(d);
        std::vector<bool> playing;
        for (std::uint8_t d : {0x00, 0x10, 0x20, 0x30, 0x40}) {
            rig.mtc.quarterFrame(d);
            if (d == 0x00 || d == 0x40)
                playing.push_back(KAE__Channel_IsPlaying(0));
        }
        EXPECT_EQ(shown.join(u'|').toStdString(), c.shown.join(u'|').toStdString()) << c.label;
        EXPECT_EQ(playing, (std::vector<bool>{c.startsAt == 0, true})) << c.label;
    }
}

// Drop-frame time code runs at 29.97 frames a second and leaves numbers out: a channel
// entered two seconds of numbers after its cue, over a minute that dropped two of them, has
// played 58 frames of 1/29.97 s.
TEST(MtcChase, DropFrameSeeksByTheTimeThatRan) {
    MidiRig rig(1, 1, 4.0);
    rig.store.assignments(0).mtcStart = frames({0, 0, 59, 0}, 30);
    for (std::uint8_t d : concat({cycle({0, 1, 0, 28}, k30Drop, false), {0x00}}))
        rig.mtc.quarterFrame(d); // evaluates 00:01:01:00
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    EXPECT_NEAR(KAE__Channel_GetPositionInSamples(0), 58 * 1001 / 30000.0 * kRate, 1);
}

// Time code started the channel; then it stopped (by hand, or at its end), and the
// operator played it by hand. Whatever time code does next must leave it playing.
TEST(MtcChase, ChannelPlayedByHandAfterTimeCodeIsLeftAlone) {
    enum class Next { Halt, JumpBack, StopCue, MtcOff };
    struct Case {
        const char* label;
        bool endedOnItsOwn;
        Next next;
    };
    const Case cases[] = {
        {"stopped by hand, then time code halts", false, Next::Halt},
        {"ended on its own, then time code jumps back", true, Next::JumpBack},
        {"stopped by hand, then the stop cue passes", false, Next::StopCue},
        {"stopped by hand, then \"MTC active\" is switched off", false, Next::MtcOff},
    };
    for (const Case& c : cases) {
        MidiRig rig(1, 1, 4.0);
        rig.store.assignments(0).mtcStart = 250; // 00:00:10:00
        rig.store.assignments(0).mtcStop = c.next == Next::StopCue ? 260 : 0;
        rig.mtc.setEnabled(true);
        rig.mtc.evaluate(250);
        ASSERT_TRUE(KAE__Channel_IsPlaying(0)) << c.label;
        if (c.endedOnItsOwn)
            rig.renderMs(4300);
        else
            rig.show->playback().StopChannel(0);
        ASSERT_FALSE(KAE__Channel_IsPlaying(0)) << c.label;
        rig.show->playback().PressPlay(0);
        switch (c.next) {
        case Next::Halt:
            rig.mtc.stopTimerTick();
            rig.mtc.stopTimerTick();
            break;
        case Next::JumpBack:
            rig.mtc.evaluate(100);
            break;
        case Next::StopCue:
            rig.mtc.evaluate(251);
            rig.mtc.evaluate(260);
            break;
        case Next::MtcOff:
            rig.mtc.setEnabled(false);
            break;
        }
        EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << c.label;
        EXPECT_FALSE(rig.mtc.mtcStarted(0)) << c.label;
    }
}

// Cues are frame counts: after a restart, before any time code has come, they are still
// read (shown, typed, stepped) at the rate of the show's time code.
TEST(MtcCues, CuesKeepTheirTimeOverARestart) {
    for (const int rate : {0, 2, 3}) { // 24, 29.97 drop-frame and 30 fps
        const int fps = rate == 0 ? 24 : 30;
        MidiRig rig(1);
        rig.settings->setOn(u"ShowMtcOnMain", true);
        for (std::uint8_t d : cycle({0, 0, 0, 0}, rate, false))
            rig.mtc.quarterFrame(d);
        rig.mtc.setCue(0, Cue::Start, frames({0, 1, 0, 0}, fps));
        const MtcCues restarted(*rig.show, *rig.settings);
        EXPECT_EQ(restarted.fps(), fps);
        EXPECT_EQ(restarted.stripCueText(0).toStdString(), "Cue: 00:01:00:00") << fps;
    }
}

TEST(CueWindow, TypedFieldsFollowTheFieldRules) {
    struct Case {
        const char* label;
        int cue;  // 0 start, 1 stop
        int unit; // 0 hours .. 3 frames
        const char* typed;
        std::int32_t frames; // the cue afterwards; -1: unchanged (refused)
    } cases[] = {
        {"23 hours", 0, 0, "23", 23 * 3600 * 25},
        {"24 hours are refused", 0, 0, "24", -1},
        {"59 minutes", 1, 1, "59", 59 * 60 * 25},
        {"60 seconds are refused", 1, 2, "60", -1},
        {"frame 24 at 25 fps", 0, 3, "24", 24},
        {"frame 25 is refused", 0, 3, "25", -1},
        {"letters are not taken, the empty field is 0", 0, 1, "ab", 0},
    };
    for (const Case& c : cases) {
        MidiRig rig(2);
        CueWindow window(*rig.show, rig.mtc);
        window.showCueWindow(1);
        const Cue which = c.cue == 0 ? Cue::Start : Cue::Stop;
        rig.mtc.setCue(1, which, 7); // 00:00:00:07
        QLineEdit* field = window.field(c.cue, c.unit);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        QTest::keyClick(field, Qt::Key_Return);
        const std::int32_t want = c.frames < 0 ? 7 : c.frames + (c.unit == 3 ? 0 : 7);
        EXPECT_EQ(rig.mtc.cue(1, which), want) << c.label;
        EXPECT_EQ(rig.mtc.cue(0, which), 0) << c.label << ": other channels untouched";
    }
}

TEST(CueWindow, TitleNamesTheChannelAndFieldsFollowTheCueAndTheRate) {
    MidiRig rig(3);
    rig.store.setChannelInfo(2, QStringLiteral("Thunder"), 0);
    CueWindow window(*rig.show, rig.mtc);
    window.showCueWindow(2);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("MTC Cues: Channel 3 (Thunder) "));
    rig.mtc.setCue(2, Cue::Start, 25 * 86400 - 1);
    EXPECT_EQ(window.field(0, 0)->text(), QStringLiteral("23")) << "the window follows";
    EXPECT_EQ(window.field(0, 3)->text(), QStringLiteral("24"));
    rig.mtc.setCue(2, Cue::Start, 1500); // 00:01:00:00 at 25 fps
    for (std::uint8_t d : cycle({0, 0, 0, 0}, 3, false))
        rig.mtc.quarterFrame(d);
    EXPECT_EQ(window.field(0, 1)->text(), QStringLiteral("00")) << "at 30 fps: 00:00:50:00";
    EXPECT_EQ(window.field(0, 2)->text(), QStringLiteral("50"));
}

// The strips show each start cue in the rate of the time code received: a source that
// comes in at another rate than before redraws them, as it does the cue window.
TEST(MtcCues, TheStripsFollowANewRate) {
    StripsRig w;
    w.rig.settings->setOn(u"ShowMtcOnMain", true);
    MidiWiring wiring(*w.rig.show, *w.rig.settings);
    wiring.wireMainWindow(*w.window);
    wiring.system().mtc().setCue(0, Cue::Start, frames({0, 1, 0, 0}, 25));
    ASSERT_EQ(w.strip(0).lblMtcCue()->text(), QStringLiteral("Cue: 00:01:00:00"));
    for (std::uint8_t d : pieces(0, 0, 0, 0, 3)) // 30 fps
        wiring.system().mtc().quarterFrame(d);
    EXPECT_EQ(w.strip(0).lblMtcCue()->text(), QStringLiteral("Cue: 00:00:50:00"));
}
