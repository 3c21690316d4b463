// Fade-outs that something cuts short. Two transport or level actions on a heard sound, the
// second while the first one's 3 ms ramp is still under way (periods shorter than the ramp):
// the second ramp takes over from the level actually heard. A pause just before a loop end:
// the fade-out goes over the loop start. No step is ever larger than the sound's own plus a
// ramp step.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

using Action = std::function<void(AudioLib&, Handle)>;

float largestStep(const Render& r, int channel, std::int64_t from) {
    float step = 0;
    for (std::int64_t f = std::max<std::int64_t>(from, 1); f < r.frames(); ++f)
        step = std::max(step, std::fabs(r.at(f, channel) - r.at(f - 1, channel)));
    return step;
}

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

} // namespace
} // namespace kalvor::audio::test
