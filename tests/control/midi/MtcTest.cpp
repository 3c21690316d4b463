// Time code: the quarter-frame assembly (in order, out of order, absurd), and what it does
// to channels with cues: start seeked into the sound, stop at the stop cue, stop on a jump
// or a halt, loops, and the cue window's operations.
#include "MidiRig.h"

#include "control/midi/MtcClock.h"
#include "core/Settings.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using midi::MtcCues;

namespace {

// The eight pieces of hh:mm:ss:ff; rate bits 0 (24), 1 (25), 3 (30).
std::vector<std::uint8_t> pieces(int hh, int mm, int ss, int ff, int rate = 1) {
    const int nibbles[] = {ff & 0x0F, ff >> 4, ss & 0x0F, ss >> 4,
                           mm & 0x0F, mm >> 4, hh & 0x0F, (rate << 1) | (hh >> 4)};
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(i << 4 | nibbles[i]));
    return out;
}

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

constexpr std::int32_t kTenSeconds = 250; // 00:00:10:00 at 25 fps

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
        {"30 fps products use the rate of the previous full time",
         concat({pieces(1, 0, 0, 0, 3), pieces(1, 0, 0, 0, 3), {0x00}}), {90002, 90003, 108002}, 30},
        {"24 fps", concat({pieces(0, 1, 0, 0, 0), pieces(0, 1, 0, 0, 0), {0x00}}), {1502, 1503, 1442}, 24},
        {"pieces before any frames-low piece start nothing", concat({{0x70, 0x40, 0x40}, {0x00, 0x40}}), {}, 24},
        {"absurd nibbles are taken as they come (31 h, 255 min...)",
         concat({{0x00, 0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F}, {0x00}}), {3179117}, 30},
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
