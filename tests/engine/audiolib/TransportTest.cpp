// Transport, positions, syncs, loops, vari-speed, batches and unknown handles, on the
// samples the offline device renders; ramps that a second action cuts short, and a seek the
// sound ends under. The ramp test file tells by each sample which source frame was played.
// (Files that do not open: the decoders' tests and KaeSound.)
#include "TestMedia.h"
#include "support/OfflineHarness.h"
#include "support/SineFit.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

using testmedia::rampValue;

QString ramp(std::int64_t frames, int channels = 2, int rate = 44100) {
    return testmedia::makeRamp(mediaFolder(),
                               u"ramp_%1_%2_%3"_s.arg(frames).arg(channels).arg(rate),
                               testmedia::Format::Wav16, rate, channels, frames);
}

TEST(AudioLibTransport, EndsAndLoopWrapsComeAtTheExactFrame) {
    // what, length, frames rendered before PLAY, loop start (-1: no loop), block, frequency,
    // device rate (when the two differ, the wraps fall on the device clock)
    using Row = std::tuple<const char*, std::int64_t, std::int64_t, std::int64_t, int, int, int>;
    const Row rows[] = {{"ends inside a block", 10000, 0, -1, 512, 44100, 44100},
                        {"ends on a block edge", 8192, 0, -1, 1024, 44100, 44100},
                        {"started late, odd blocks", 7777, 300, -1, 333, 44100, 44100},
                        {"loops from the top", 5000, 0, 0, 512, 44100, 44100},
                        {"from a loop start", 5000, 0, 1000, 700, 44100, 44100},
                        {"double speed", 5000, 0, 0, 512, 88200, 44100},
                        {"half speed, loop start", 5000, 0, 1000, 512, 22050, 44100},
                        {"two thirds speed, loop start", 5000, 0, 2500, 333, 29400, 44100},
                        {"converted to the device rate", 5000, 0, 0, 512, 44100, 48000},
                        {"converted and sped up by 10 %", 5000, 0, 1000, 512, 48510, 48000}};
    for (const auto& [what, length, startAt, loopStart, block, freq, deviceRate] : rows) {
        SCOPED_TRACE(what);
        Offline off(deviceRate);
        const Handle h = off.lib->streamCreateFile(ramp(length), 0);
        ASSERT_NE(off.lib->channelSetSync(h, sync::End, 0, 1025, 7), 0u);
        off.lib->channelSetAttributes(h, freq, -1, -101);
        ASSERT_TRUE(loopStart <= 0 || off.lib->channelSetLoopStart(h, loopStart));
        off.lib->channelSetFlags(h, loopStart >= 0 ? flags::Loop : 0u);
        Render r = off.render(startAt, block);
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        // Looping, the head of the file is heard once and the loop after each wrap.
        const int ends = loopStart >= 0 ? 4 : 1;
        const std::int64_t span = length - std::max<std::int64_t>(loopStart, 0);
        const double ratio = double(deviceRate) / freq;
        off.render(std::int64_t((length + (ends - 1) * span) * ratio) + 200, r, block);
        ASSERT_GE(off.window.messages.size(), std::size_t(ends));
        for (int i = 0; i < ends; ++i) {
            const Message& m = off.window.messages[std::size_t(i)];
            EXPECT_EQ(std::tuple(m.message, m.slot, m.stream), std::tuple(1025, 7, h));
            EXPECT_NEAR(double(m.deviceFrame), startAt + (length + i * span) * ratio,
                        freq == deviceRate ? 0.0 : 1.0)
                << "end " << i;
        }
        EXPECT_EQ(off.lib->channelStartFrame(h), startAt);
        // Every frame in order up to each end, then the loop start or silence.
        for (int i = 0; i < ends && freq == deviceRate; ++i) {
            const std::int64_t end = startAt + length + i * span;
            EXPECT_EQ(r.at(end - span / 2, 0), rampValue(length - span / 2, 0)) << "end " << i;
            EXPECT_EQ(r.at(end - 1, 0), rampValue(length - 1, 0)) << "end " << i;
            EXPECT_EQ(r.at(end, 0), loopStart < 0 ? 0.0f : rampValue(loopStart, 0)) << "end " << i;
        }
        if (loopStart < 0) {
            EXPECT_EQ(off.window.messages.size(), 1u);
            EXPECT_EQ(r.peak(0, startAt + length, r.frames()), 0.0f);
            EXPECT_EQ(std::tuple(off.lib->channelIsActive(h), off.lib->channelGetPosition(h)),
                      std::tuple(ActiveState::Stopped, off.lib->channelGetLength(h)));
            continue;
        }
        EXPECT_EQ(std::tuple(off.lib->channelIsActive(h), off.lib->underruns()),
                  std::tuple(ActiveState::Playing, 0));
        // Loop off: the next end is the last.
        off.lib->channelSetFlags(h, 0);
        off.render(2 * length);
        EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Stopped);
    }
}

// The disk thread decodes ahead for the offline device too; what it may decode must not
// depend on when it runs. A loop start moved after the disk thread could have reached the
// end must still be where the next wrap goes, so a render is the same every time.
TEST(AudioLibTransport, OfflineRenderIsTheSameHoweverFarTheDiskThreadGotAhead) {
    const std::int64_t length = 20000;
    const auto renderScript = [&](bool giveDiskThreadTime) {
        Offline off;
        const Handle h = off.lib->streamCreateFile(ramp(length), flags::Loop);
        EXPECT_NE(h, 0u);
        off.lib->channelPlay(h, true);
        const auto pause = [&] {
            if (giveDiskThreadTime)
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
        };
        pause();
        Render r = off.render(5000);
        pause();
        off.lib->channelSetLoopStart(h, 7000);
        off.render(40000, r, 333);
        pause();
        off.lib->channelSetFlags(h, 0);
        off.render(20000, r, 1024);
        // A pause and a seek ramp over frames beyond the period, in small periods.
        off.lib->channelPlay(h, true);
        off.render(3000, r, 16);
        pause();
        off.lib->channelPause(h);
        off.render(400, r, 16);
        off.lib->channelPlay(h, false);
        off.render(1000, r, 16);
        pause();
        off.lib->channelSetPosition(h, 4 * 9000);
        off.render(400, r, 16);
        return r;
    };
    const Render quick = renderScript(false);
    const Render slow = renderScript(true);
    ASSERT_EQ(quick.samples.size(), slow.samples.size());
    EXPECT_TRUE(quick.samples == slow.samples);
    EXPECT_EQ(quick.at(length - 1, 0), rampValue(length - 1, 0));
    EXPECT_EQ(quick.at(length, 0), rampValue(7000, 0)) << "the first wrap took the old loop start";
}

TEST(AudioLibTransport, PlayAndSeeksShowAtOnceAndASeekDoesNotRestartAFinishedStream) {
    Offline off;
    const Handle h = off.lib->streamCreateFile(ramp(1000), 0);
    ASSERT_TRUE(off.lib->channelPlay(h, true));
    EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Playing) << "before any period ran";
    ASSERT_TRUE(off.lib->channelSetPosition(h, 4 * 123));
    EXPECT_EQ(off.lib->channelGetPosition(h), 4 * 123);
    off.render(2000);
    ASSERT_EQ(off.lib->channelIsActive(h), ActiveState::Stopped);
    ASSERT_TRUE(off.lib->channelSetPosition(h, 4 * 500));
    EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Stopped);
    off.lib->channelPlay(h, false);
    const Render r = off.render(100);
    EXPECT_EQ(r.at(0, 0), rampValue(500, 0)) << "resumes from the seek";
}

using Action = std::function<void(AudioLib&, Handle)>;

// Largest step between two neighbouring samples of a channel over [from, to).
float largestStep(const Render& r, int channel, std::int64_t from,
                  std::int64_t to = std::numeric_limits<std::int64_t>::max()) {
    float step = 0;
    for (std::int64_t f = std::max<std::int64_t>(from, 1); f < std::min(to, r.frames()); ++f)
        step = std::max(step, std::fabs(r.at(f, channel) - r.at(f - 1, channel)));
    return step;
}

TEST(AudioLibTransport, PauseAndResumeContinueFromTheExactPlaceWithoutAStep) {
    // A resume comes back in under the same 3 ms (132 frames) ramp as the pause went out,
    // crossfading with what is left of the pause's fade-out; paused and resumed before a
    // frame of the fade-out was heard, the resume is exact.
    // what, frames rendered between pause and resume, ramp frames of the resume
    using Row = std::tuple<const char*, std::int64_t, int>;
    const Row rows[] = {
        {"after the fade-out", 2000, 132},
        {"during the fade-out", 50, 132},
        {"in the same period", 0, 0},
    };
    const float ownStep = 1.0f / 32768.0f;
    for (const auto& [what, gapFrames, rampFrames] : rows) {
        SCOPED_TRACE(what);
        Offline off;
        const Handle h = off.lib->streamCreateFile(ramp(20000), 0);
        off.lib->channelPlay(h, true);
        Render r = off.render(3000, 500);
        ASSERT_TRUE(off.lib->channelPause(h));
        EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Paused);
        EXPECT_EQ(off.lib->channelGetPosition(h), 3000 * 4);
        if (gapFrames > 0)
            off.render(gapFrames, r, 50);
        const bool silent = gapFrames >= 132;
        if (silent) {
            EXPECT_EQ(r.peak(0, 3000 + 132, r.frames()), 0.0f) << "silent after the fade-out";
        }
        EXPECT_EQ(off.lib->channelGetPosition(h), 3000 * 4);
        ASSERT_TRUE(off.lib->channelPlay(h, false));
        const std::int64_t resumedAt = r.frames();
        off.render(1000, r, 500);
        // Frame 3000 of the sound is the first heard again, and from the end of the ramp on
        // every sample is the file's own.
        if (silent) {
            EXPECT_NEAR(r.at(resumedAt, 0), rampValue(3000, 0) / 132, 1e-6f);
            EXPECT_NEAR(r.at(resumedAt + 65, 0), rampValue(3065, 0) * 66 / 132, 1e-6f);
        }
        for (std::int64_t f = rampFrames; f < 1000; f += 111)
            EXPECT_EQ(r.at(resumedAt + f, 0), rampValue(3000 + f, 0)) << "frame " << f;
        EXPECT_EQ(r.at(resumedAt + 999, 0), rampValue(3999, 0));
        EXPECT_EQ(off.lib->channelGetPosition(h), 4000 * 4);
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_LE(largestStep(r, ch, 1), 1.0f / 132 + ownStep) << "channel " << ch;
    }
    // Stop keeps the place for a resume; a restart goes back to the top (under the stop's
    // fade-out for its first 3 ms).
    Offline off;
    const Handle h = off.lib->streamCreateFile(ramp(20000), 0);
    off.lib->channelPlay(h, true);
    off.render(3000, 500);
    off.lib->channelStop(h);
    EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Stopped);
    off.lib->channelPlay(h, true);
    const Render again = off.render(200);
    EXPECT_EQ(again.at(132, 0), rampValue(132, 0));
    EXPECT_EQ(again.at(199, 0), rampValue(199, 0));
}

TEST(AudioLibTransport, SeeksLandOnTheExactFrameInBytesOfTheStreamsResolution) {
    // channels, flags, bytes per frame, frame
    using Row = std::tuple<int, std::uint32_t, int, std::int64_t>;
    const Row rows[] = {
        {2, 0, 4, 12345}, {2, flags::Float, 8, 12345}, {1, 0, 2, 777}, {1, flags::Float, 4, 39999},
        {2, 0, 4, 0},
    };
    for (const auto& [channels, flagBits, bytesPerFrame, frame] : rows) {
        SCOPED_TRACE(testing::Message() << channels << " ch, flags " << flagBits << ", " << frame);
        Offline off;
        const Handle h = off.lib->streamCreateFile(ramp(40000, channels), flagBits);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(off.lib->channelGetLength(h), 40000 * bytesPerFrame);
        ASSERT_TRUE(off.lib->channelSetPosition(h, frame * bytesPerFrame));
        off.lib->channelPlay(h, false);
        const Render r = off.render(2000);
        EXPECT_EQ(r.at(0, 0), rampValue(frame, 0));
        EXPECT_EQ(r.at(1, 0), frame + 1 < 40000 ? rampValue(frame + 1, 0) : 0.0f);
        const std::int64_t played = std::min<std::int64_t>(2000, 40000 - frame);
        EXPECT_EQ(off.lib->channelGetPosition(h), (frame + played) * bytesPerFrame);
        EXPECT_NEAR(off.lib->channelBytes2Seconds(h, 44100 * bytesPerFrame), 1.0, 1e-12);
        EXPECT_EQ(off.lib->channelSeconds2Bytes(h, 0.5), 22050 * bytesPerFrame);
    }
    Offline off;
    const Handle h = off.lib->streamCreateFile(ramp(40000), 0);
    EXPECT_FALSE(off.lib->channelSetPosition(h, 40000 * 4)) << "past the end";
    EXPECT_EQ(off.lib->errorGetCode(), Error::Position);
    EXPECT_FALSE(off.lib->channelSetPosition(h, -4));
}

TEST(AudioLibTransport, VariSpeedChangedWhilePlayingHasNoClick) {
    const double hz = 441.0, amplitude = 0.5;
    const QString tone = testmedia::makeTone(mediaFolder(), u"varitone"_s,
                                             testmedia::Format::WavFloat, 44100, 2, 2.0, hz, -6.0);
    // Switched on from the file's own speed, or changed while the converter already runs.
    const struct { double from, to; } cases[] = {{1.0, 1.1}, {1.0, 0.75}, {1.0, 2.0}, {1.5, 0.75}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.from << " to " << c.to);
        Offline off;
        const Handle h = off.lib->streamCreateFile(tone, flags::Float);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, int(std::lround(44100 * c.from)), -1, -101));
        off.lib->channelPlay(h, true);
        const std::int64_t switchAt = 10240;
        Render r = off.render(switchAt);
        const double before = double(off.lib->channelGetPosition(h)) / 8;
        ASSERT_TRUE(off.lib->channelSetAttributes(h, int(std::lround(44100 * c.to)), -1, -101));
        off.render(8192, r);
        // The sine's own steepest step at the faster of the two speeds, plus rounding.
        const double fastest = std::max({c.from, c.to, 1.0});
        const double own = amplitude * 2 * M_PI * hz * fastest / 44100 * 1.02 + 1e-4;
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_LE(largestStep(r, ch, switchAt - 256), own) << "channel " << ch;
        EXPECT_GT(r.peak(0, switchAt, switchAt + 256), 0.45f) << "no dip at the switch";
        // The tone comes out at the new pitch...
        const std::int64_t settled = switchAt + 2048;
        EXPECT_LT(kalvor::test::thdPlusNoiseDb(&r.samples[std::size_t(settled * 2)], 4096, 2,
                                               hz * c.to / 44100),
                  -40.0);
        // ...and the position goes on from where the switch was, at the new speed.
        EXPECT_NEAR(double(off.lib->channelGetPosition(h)) / 8, before + 8192 * c.to, 2.0);
    }
}

// Stop, pause, a seek or a restart while playing, a volume or pan set and a free, on a full-scale
// sine at its crest: none may cut the sound at a block edge. A ramp of a few milliseconds (or a
// crossfade into the new place) keeps every step within the sine's own, and a render
// stays the same every time.
TEST(AudioLibTransport, StopsSeeksAndVolumeStepsAreRampedNotCut) {
    const QString tone = testmedia::makeTone(
        mediaFolder(), u"fulltone"_s, testmedia::Format::WavFloat, 44100, 2, 3.0, 441.0, 0.0);
    const Action stop = [](AudioLib& l, Handle h) {
        l.channelStop(h);
    };
    const Action seek = [](AudioLib& l, Handle h) {
        l.channelSetPosition(h, (20000 + 75) * 8);
    };
    // what, action, state right after it, nothing heard 5 ms after it, speed (through the
    // rate converter when not 1)
    using enum ActiveState;
    using Row = std::tuple<const char*, Action, ActiveState, bool, double>;
    const Row cases[] = {
        {"stop", stop, Stopped, true, 1.0},
        {"pause", [](auto& l, auto h) { l.channelPause(h); }, Paused, true, 1.0},
        {"seek to the opposite phase", seek, Playing, false, 1.0},
        {"restart", [](auto& l, auto h) { l.channelPlay(h, true); }, Playing, false, 1.0},
        {"volume -30 dB", [](auto& l, auto h) { l.channelSetAttributes(h, -1, 70, -101); }, Playing,
         false, 1.0},
        {"volume to 0", [](auto& l, auto h) { l.channelSetAttributes(h, -1, 0, -101); }, Playing,
         true, 1.0},
        {"pan hard left", [](auto& l, auto h) { l.channelSetAttributes(h, -1, -1, -100); }, Playing,
         false, 1.0},
        {"freed (moved to another output)", [](auto& l, auto h) { l.streamFree(h); }, Stopped, true,
         1.0},
        {"stop while sped up", stop, Stopped, true, 1.5},
        {"seek while slowed down", seek, Playing, false, 0.8},
    };
    const std::int64_t at = 10025; // a crest of the 441 Hz sine (100 frames a cycle)
    for (const auto& [what, action, state, silentAfter, speed] : cases) {
        SCOPED_TRACE(what);
        // The sine's own steepest step plus one ramp step of a 3 ms ramp at full scale.
        const float bound = float(2 * M_PI * 441.0 * std::max(speed, 1.0) / 44100 + 2.0 / 132);
        const auto script = [&] {
            Offline off;
            const Handle h = off.lib->streamCreateFile(tone, flags::Float);
            EXPECT_NE(h, 0u);
            off.lib->channelSetAttributes(h, int(std::lround(44100 * speed)), -1, -101);
            off.lib->channelPlay(h, true);
            Render r = off.render(at);
            action(*off.lib, h);
            EXPECT_EQ(off.lib->channelIsActive(h), state);
            off.render(4096, r, 333);
            return r;
        };
        const Render r = script();
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_LE(largestStep(r, ch, at - 100), bound) << "channel " << ch;
        if (silentAfter)
            EXPECT_EQ(r.peak(0, at + 221, r.frames()), 0.0f);
        else
            EXPECT_GT(r.peak(0, at + 221, r.frames()), 0.03f);
        EXPECT_TRUE(script().samples == r.samples) << "the same every time";
    }
}

TEST(AudioLibTransport, BatchStartsTogetherEvenWhenAPeriodRunsInBetween) {
    Offline off;
    const Handle a =
        off.lib->streamCreateFile(ramp(20000, 1), flags::SpeakerFront | flags::SpeakerLeft);
    const Handle b =
        off.lib->streamCreateFile(ramp(20000, 1), flags::SpeakerFront | flags::SpeakerRight);
    off.render(100);
    off.lib->beginBatch();
    off.lib->channelPlay(a, true);
    Render r = off.render(256); // the device keeps running while the batch is built
    off.lib->channelPlay(b, true);
    off.lib->endBatch();
    off.render(1000, r);
    EXPECT_EQ(r.peak(0, 0, 256), 0.0f) << "nothing of the batch before it is complete";
    EXPECT_EQ(off.lib->channelStartFrame(a), off.lib->channelStartFrame(b));
    EXPECT_EQ(r.firstNonZero(0), r.firstNonZero(1));
    for (std::int64_t f = 300; f < 1200; f += 97)
        EXPECT_EQ(r.at(f, 0), r.at(f, 1));
}

TEST(AudioLibTransport, MessagesCarryTheStreamTheyWereRaisedForAndFreedHandlesAreRefused) {
    Offline off;
    const Handle first = off.lib->streamCreateFile(ramp(1000), 0);
    off.lib->channelSetSync(first, sync::End, 0, 1025, 3);
    off.lib->channelPlay(first, true);
    off.render(2000);
    ASSERT_TRUE(off.lib->streamFree(first));
    const Handle second = off.lib->streamCreateFile(ramp(1000), 0);
    ASSERT_NE(second, first) << "a handle is never given out twice";
    ASSERT_EQ(off.window.messages.size(), 1u);
    EXPECT_EQ(off.window.messages[0].stream, first);
    // Every call on a freed (or never given) handle fails with the handle error.
    StreamInfo info;
    int v = 0;
    EXPECT_FALSE(off.lib->channelPlay(first, true));
    EXPECT_EQ(off.lib->errorGetCode(), Error::Handle);
    EXPECT_EQ(std::tuple(off.lib->channelGetInfo(first, info), off.lib->channelGetPosition(first),
                         off.lib->channelGetLength(4242),
                         off.lib->channelSetAttributes(first, -1, 50, -101),
                         off.lib->channelGetAttributes(first, nullptr, &v, nullptr),
                         off.lib->channelSetSync(first, sync::End, 0, 1025, 0),
                         off.lib->channelIsActive(4242), off.lib->streamFree(first)),
              std::tuple(false, -1, -1, false, false, 0u, ActiveState::Stopped, false));
    // A removed sync raises nothing; messages come in the order raised.
    const Handle s1 = off.lib->channelSetSync(second, sync::End, 0, 1025, 1);
    off.lib->channelSetSync(second, sync::End, 0, 1025, 2);
    off.lib->channelRemoveSync(second, s1);
    off.lib->channelPlay(second, true);
    off.render(2000);
    ASSERT_EQ(off.window.messages.size(), 2u);
    EXPECT_EQ(off.window.messages[1].slot, 2);
}

// Fade-outs that something cuts short. Two transport or level actions on a heard sound, the
// second while the first one's 3 ms ramp is still under way (periods shorter than the ramp):
// the second ramp takes over from the level actually heard. A pause just before a loop end:
// the fade-out goes over the loop start. No step is ever larger than the sound's own plus a
// ramp step.
TEST(DeclickOverlap, ASecondActionDuringARampStartsFromTheLevelHeard) {
    const QString tone = testmedia::makeTone(
        mediaFolder(), u"overlaptone"_s, testmedia::Format::WavFloat, 44100, 2, 3.0, 441.0, 0.0);
    const Action pause = [](AudioLib& l, Handle h) {
        l.channelPause(h);
    };
    const Action resume = [](AudioLib& l, Handle h) {
        l.channelPlay(h, false);
    };
    const Action seek = [](AudioLib& l, Handle h) {
        l.channelSetPosition(h, (30000 + 50) * 8);
    };
    const Action free = [](AudioLib& l, Handle h) {
        l.streamFree(h);
    };
    const Action left = [](AudioLib& l, Handle h) {
        l.channelSetAttributes(h, -1, -1, -100);
    };
    const Action quiet = [](AudioLib& l, Handle h) {
        l.channelSetAttributes(h, -1, 0, -101);
    };
    // what, the actions, each after the previous one's frames
    using Step = std::pair<Action, std::int64_t>;
    using Row = std::tuple<const char*, std::vector<Step>>;
    const Row rows[] = {
        {"pause, resume, pause", {{pause, 256}, {resume, 64}, {pause, 1}}},
        {"pause, resume, seek", {{pause, 64}, {resume, 64}, {seek, 1}}},
        {"seek, pause", {{seek, 64}, {pause, 1}}},
        {"seek, free", {{seek, 64}, {free, 1}}},
        {"pause, resume, free", {{pause, 256}, {resume, 64}, {free, 1}}},
        {"pan, free", {{left, 64}, {free, 1}}},
        {"volume to 0, pause", {{quiet, 64}, {pause, 1}}},
        {"pause, free", {{pause, 64}, {free, 1}}},
        {"pause, pan", {{pause, 32}, {left, 1}}},
        {"seek, pan", {{seek, 32}, {left, 1}}},
        {"seek, pause and resume at once", {{seek, 32}, {pause, 0}, {resume, 1}}},
    };
    const std::int64_t at = 10025; // a crest of the 441 Hz sine
    const float bound = float(2 * M_PI * 441.0 / 44100 + 2.0 / 132);
    for (const auto& [what, steps] : rows) {
        SCOPED_TRACE(what);
        Offline off;
        const Handle h = off.lib->streamCreateFile(tone, flags::Float);
        off.lib->channelPlay(h, true);
        Render r = off.render(at);
        for (const auto& [action, after] : steps) {
            action(*off.lib, h);
            if (after > 0)
                off.render(after, r, 32);
        }
        off.render(2048, r, 32);
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_LE(largestStep(r, ch, at - 100), bound) << "channel " << ch;
    }
}

TEST(DeclickOverlap, APauseJustBeforeTheLoopEndFadesOutOverTheLoopStart) {
    // 44125 frames of a 441 Hz sine looping from a crest (frame 25) to a crest: seamless.
    // Paused a few frames before the loop end, the fade-out goes on over the loop start; the
    // resume replays those frames, and the wrap's message comes when it is heard again,
    // where it comes without the pause. At the file's rate and converted.
    const QString tone =
        testmedia::makeTone(mediaFolder(), u"looptone"_s, testmedia::Format::WavFloat, 44100, 2,
                            44125.0 / 44100.0, 441.0, 0.0);
    const float bound = float(2 * M_PI * 441.0 / 44100 + 2.0 / 132);
    for (const int rate : {44100, 48000}) {
        for (const std::int64_t before : {1, 10, 100, 131}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, paused " << before << " before");
            const std::int64_t pausedAt = 44125 * rate / 44100 - before;
            const auto start = [&](Offline& off) {
                const Handle h = off.lib->streamCreateFile(tone, flags::Float | flags::Loop);
                off.lib->channelSetLoopStart(h, 25);
                off.lib->channelSetSync(h, sync::End, 0, 1025, 7);
                off.lib->channelPlay(h, true);
                return h;
            };
            Offline plain(rate);
            const Handle p = start(plain);
            plain.render(pausedAt + 300);
            ASSERT_EQ(plain.window.messages.size(), 1u);

            Offline off(rate);
            const Handle h = start(off);
            Render r = off.render(pausedAt);
            off.lib->channelPause(h);
            const std::int64_t position = off.lib->channelGetPosition(h);
            off.render(1000, r, 32);
            EXPECT_EQ(r.peak(0, pausedAt + 150, r.frames()), 0.0f) << "silent after the ramp";
            EXPECT_EQ(off.lib->channelGetPosition(h), position);
            EXPECT_TRUE(off.window.messages.empty()) << "the wrap is not heard yet";
            off.lib->channelPlay(h, false);
            const std::int64_t resumed = r.frames();
            off.render(300, r, 32);
            for (int ch = 0; ch < 2; ++ch)
                EXPECT_LE(largestStep(r, ch, pausedAt - 100), bound) << "channel " << ch;
            ASSERT_EQ(off.window.messages.size(), 1u);
            EXPECT_EQ(off.window.messages[0].deviceFrame,
                      plain.window.messages[0].deviceFrame - pausedAt + resumed);
            EXPECT_EQ(off.lib->channelGetPosition(h), plain.lib->channelGetPosition(p));
        }
    }
}

// A seek of a playing sound given in its last moments: the device's callback lets the sound
// end after the seek was decided and before the mixer takes it. The sound goes on from the
// new place, and the end it raised meanwhile is told apart from the play that goes on.

// A live device whose periods the test runs by hand, whenever it likes: also while the UI
// side is in the middle of a call.
struct HandStream final : OutputStream {
    explicit HandStream(RenderTarget& t) : target(t) { cfg.sampleRate = 44100; }
    const OutputConfig& config() const override { return cfg; }
    bool start(QString*) override { return on = true; }
    void stop() override { on = false; }
    bool running() const override { return on; }
    std::int64_t framesRendered() const override { return frames; }
    void period() {
        float out[256 * 2];
        target.render(out, 256, 2);
        frames += 256;
    }
    RenderTarget& target;
    OutputConfig cfg;
    bool on = false;
    std::int64_t frames = 0;
};

struct HandBackend final : DeviceBackend {
    std::vector<BackendDevice> enumerate() override {
        BackendDevice d;
        d.name = u"Hand"_s;
        d.driver = u"hand"_s;
        return {d};
    }
    std::unique_ptr<OutputStream> open(const BackendDevice&, int, RenderTarget& target,
                                       QString*) override {
        auto s = std::make_unique<HandStream>(target);
        stream = s.get();
        return s;
    }
    HandStream* stream = nullptr;
};

// Runs `onSeek` inside the next seek, once.
struct HookedDecoder final : engine::Decoder {
    HookedDecoder(std::unique_ptr<engine::Decoder> d, std::function<void()>* hook)
        : inner(std::move(d)), onSeek(hook) {}
    const engine::AudioFormat& format() const override { return inner->format(); }
    std::int64_t read(float* out, std::int64_t frames) override { return inner->read(out, frames); }
    bool seek(std::int64_t frame) override {
        if (*onSeek)
            std::exchange(*onSeek, {})();
        return inner->seek(frame);
    }
    std::unique_ptr<engine::Decoder> inner;
    std::function<void()>* onSeek;
};

struct PlayLog : QObject {
    std::vector<std::uint64_t> plays;
    bool event(QEvent* e) override {
        if (e->type() != EngineMessageEvent::eventType())
            return QObject::event(e);
        plays.push_back(static_cast<EngineMessageEvent*>(e)->play());
        return true;
    }
};

TEST(SeekAtEnd, ASeekTheSoundEndedUnderGoesOnFromTheNewPlace) {
    constexpr std::int64_t kFrames = 4000;
    const QString path = testmedia::makeNoise(mediaFolder(), u"seek_at_end"_s,
                                              testmedia::Format::Wav16, 44100, 2, kFrames);
    std::function<void()> hook;
    const DecoderFactory wav = wavDecoderFactory();
    auto backend = std::make_shared<HandBackend>();
    AudioLibOptions options;
    options.backend = backend;
    options.openDecoder = [&](const QString& p, engine::DecoderRoute r, QString* error) {
        return std::make_unique<HookedDecoder>(wav(p, r, error), &hook);
    };
    AudioLib lib(options);
    PlayLog log;
    ASSERT_TRUE(lib.init(1, 44100, 0, &log));
    const Handle h = lib.streamCreateFile(path, 0);
    ASSERT_NE(h, 0u);
    ASSERT_NE(lib.channelSetSync(h, sync::End, 0, 1025, 0), 0u);
    ASSERT_TRUE(lib.channelPreBuf(h, 500)); // the whole sound
    ASSERT_TRUE(lib.channelPlay(h, false));
    for (std::int64_t done = 0; done + 256 < kFrames; done += 256)
        backend->stream->period();
    ASSERT_EQ(lib.channelIsActive(h), ActiveState::Playing) << "160 frames to go";

    hook = [&] {
        backend->stream->period();
    }; // the sound ends while the seek is under way
    ASSERT_TRUE(lib.channelSetPosition(h, 1000 * 4));
    backend->stream->period();
    lib.deliverSyncs();
    QCoreApplication::sendPostedEvents(&log);

    EXPECT_EQ(lib.channelIsActive(h), ActiveState::Playing);
    EXPECT_EQ(lib.channelGetPosition(h) / 4, 1000 + 256) << "it plays on from the new place";
    ASSERT_EQ(log.plays.size(), 1u);
    EXPECT_NE(log.plays[0], lib.channelPlaySerial(h)) << "the end is of the play before the seek";
}

} // namespace
} // namespace kalvor::audio::test
