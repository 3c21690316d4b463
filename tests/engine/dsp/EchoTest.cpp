// The echo repeats at the set delays, to the sample, on the right sides.
#include "support/Signals.h"

#include "engine/dsp/Echo.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace kalvor::engine::dsp {
namespace {

int frames(float ms, int rate) {
    return static_cast<int>(std::lround(double(ms) * rate / 1000.0));
}

TEST(Echo, RepeatsAtTheSetDelayToTheSampleAndPanDelaySwapsSides) {
    using Row = std::tuple<int, int, float, float, int>;
    const Row cases[] = {
        {44100, 2, 500.0f, 500.0f, 0}, // the defaults
        {48000, 2, 123.4f, 250.0f, 0}, // fractional ms, sides differ
        {44100, 2, 100.0f, 37.0f, 1},  // ping-pong
        {48000, 1, 7.3f, 7.3f, 1},     // mono: pan delay has no other side
        {44100, 6, 10.0f, 21.0f, 1},   // 5.1: pairs cross within themselves
        {22050, 2, 1.0f, 2000.0f, 0},  // both ends of the range
    };
    for (const auto& [rate, channels, leftMs, rightMs, panDelay] : cases) {
        for (int source = 0; source < std::min(channels, 2); ++source) {
            SCOPED_TRACE(testing::Message()
                         << rate << " Hz, " << channels << " ch, " << leftMs << "/" << rightMs
                         << " ms, pan " << panDelay << ", click on " << source);
            Echo echo;
            echo.setParameters(DsfxEcho{100.0f, 50.0f, leftMs, rightMs, panDelay});
            ASSERT_TRUE(echo.prepare(rate, channels));

            auto delayOf = [&](int ch) {
                return frames(ch % 2 == 0 ? leftMs : rightMs, rate);
            };
            const int partner = source ^ 1;
            const bool crosses = panDelay != 0 && partner < channels;
            const int second = crosses ? partner : source;
            const int firstAt = delayOf(source);
            const int secondAt = firstAt + delayOf(second);
            // (frame, channel) -> level: the click itself is all wet, so only repeats sound.
            std::map<std::pair<int, int>, float> expected{{{firstAt, source}, 1.0f},
                                                          {{secondAt, second}, 0.5f}};

            const int length = secondAt + 1;
            std::vector<float> sound(std::size_t(length) * channels, 0.0f);
            sound[std::size_t(source)] = 1.0f;
            test::runBlocks(echo, sound, channels, 256);

            int wrong = 0;
            for (int i = 0; i < length; ++i)
                for (int ch = 0; ch < channels; ++ch) {
                    const auto it = expected.find({i, ch});
                    const float want = it == expected.end() ? 0.0f : it->second;
                    const float got = sound[std::size_t(i) * channels + ch];
                    if (got != want && ++wrong <= 4)
                        ADD_FAILURE() << "frame " << i << " channel " << ch << ": " << got
                                      << ", expected " << want;
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}

} // namespace
} // namespace kalvor::engine::dsp
