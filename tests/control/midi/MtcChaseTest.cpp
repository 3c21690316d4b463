// Time code as a real source sends it, quarter frame by quarter frame, over the places
// where the frame count does not simply go up by one: the numbers drop-frame time code
// leaves out at a minute, the turn of the day, a real jump, and time code running
// backwards. A channel chasing the time code must neither be cut nor fired at a time it
// is not cued for.
#include "MidiRig.h"

#include "engine/kae/Kae.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

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

std::int32_t frames(Tc tc, int fps) {
    return ((tc.hh * 60 + tc.mm) * 60 + tc.ss) * fps + tc.ff;
}

} // namespace

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
