// Turning the echo's delay knobs while a sound plays is not heard as a click per step: the
// repeats cross over from the old delay to the new one.
#include "support/Signals.h"

#include "engine/dsp/Echo.h"

#include <gtest/gtest.h>

namespace kalvor::engine::dsp {
namespace {

float largestStep(const std::vector<float>& sound, int channels, int channel, int from, int to) {
    float step = 0.0f;
    for (int f = from + 1; f < to; ++f)
        step = std::max(step, std::fabs(sound[std::size_t(f * channels + channel)] -
                                        sound[std::size_t((f - 1) * channels + channel)]));
    return step;
}

TEST(EchoDelayKnob, ATurnedDelayCrossesOverInsteadOfJumping) {
    // rate, left and right delay before and after (ms)
    using Row = std::tuple<int, float, float, float, float>;
    const Row cases[] = {
        {44100, 500.0f, 500.0f, 530.0f, 500.0f},  // one side
        {48000, 100.0f, 37.0f, 90.0f, 61.0f},     // both sides at once
        {22050, 2000.0f, 1.0f, 1.0f, 2000.0f},    // from one end of the range to the other
        {44100, 100.0f, 100.0f, 1500.0f, 100.0f}, // far beyond where the repeats reached
    };
    for (const auto& [rate, left, right, newLeft, newRight] : cases) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, " << left << "/" << right << " -> "
                                        << newLeft << "/" << newRight << " ms");
        const int channels = 2;
        Echo echo;
        echo.setParameters(DsfxEcho{100.0f, 0.0f, left, right, 0});
        ASSERT_TRUE(echo.prepare(rate, channels));
        std::vector<float> sound = test::tone(150.0, rate, channels, 6.0);
        const int block = 256;
        const int turnAt = rate * 5 / 2 / block * block; // every repeat sounds by then
        for (int f = 0; f < int(sound.size()) / channels; f += block) {
            if (f == turnAt)
                echo.setParameters(DsfxEcho{100.0f, 0.0f, newLeft, newRight, 0});
            const int n = std::min(block, int(sound.size()) / channels - f);
            echo.process(sound.data() + std::size_t(f) * channels, n);
        }
        for (int ch = 0; ch < channels; ++ch) {
            const float steady = largestStep(sound, channels, ch, turnAt - rate / 2, turnAt - 1);
            ASSERT_GT(steady, 0.0f);
            EXPECT_LT(largestStep(sound, channels, ch, turnAt - 1, turnAt + rate / 2),
                      2.0f * steady)
                << "channel " << ch;
            // The repeats go on at the new delay, as loud as before.
            EXPECT_NEAR(
                test::toDb(test::rms(sound, channels, ch, turnAt + rate / 10, turnAt + rate / 2) /
                           test::rms(sound, channels, ch, turnAt - rate / 2, turnAt)),
                0.0, 0.5)
                << "channel " << ch;
        }
    }
}

} // namespace
} // namespace kalvor::engine::dsp
