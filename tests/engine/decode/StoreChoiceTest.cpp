// How 16-bit reads reach a feed: the way that costs less by the margin, the other tried
// every 16th read, a change followed; and the streamed copy is exact at any alignment.
#include "engine/decode/StoreChoice.h"
#include "engine/decode/Pcm16.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kalvor::engine::decode;

namespace {

TEST(StoreChoice, TakesTheCheaperWayAndFollowsAChange) {
    // what, straight and streamed cost per frame before and after, streamed of the last
    // 32 reads before and after
    using Row = std::tuple<const char*, double, double, double, double, int, int>;
    const Row cases[] = {{"cores apart", 2.0, 1.2, 2.0, 1.2, 30, 30},
                         {"streaming cheaper, not by the margin", 1.0, 0.9, 1.0, 0.9, 2, 2},
                         {"the cores move apart", 1.0, 1.1, 2.2, 1.1, 2, 30},
                         {"the cores come together", 2.2, 1.1, 1.0, 1.1, 30, 2}};
    for (const auto& [what, straight1, streamed1, straight2, streamed2, before, after] : cases) {
        StoreChoice choice;
        int streamed[2] = {0, 0};
        for (int i = 0; i < 400; ++i) {
            const bool stream = choice.streamNext();
            choice.took(stream, i < 200 ? (stream ? streamed1 : straight1)
                                        : (stream ? streamed2 : straight2));
            streamed[i / 200] += stream && i % 200 >= 168 ? 1 : 0;
        }
        EXPECT_EQ(streamed[0], before) << what;
        EXPECT_EQ(streamed[1], after) << what;
    }
}

TEST(StoreChoice, TheStreamedCopyIsExactAtEveryAlignment) {
    for (const auto& [offset, count] : {std::pair{0, 0}, {3, 7}, {1, 9}, {5, 8199}}) {
        std::vector<std::int16_t> from(count), into(8300, 12345);
        for (int i = 0; i < count; ++i)
            from[i] = static_cast<std::int16_t>(i * 7919);
        streamPcm16(from.data(), into.data() + offset, static_cast<std::size_t>(count));
        from.insert(from.begin(), static_cast<std::size_t>(offset), 12345); // untouched before
        from.push_back(12345);                                              // and after
        EXPECT_EQ(std::vector<std::int16_t>(into.begin(), into.begin() + offset + count + 1), from);
    }
}

} // namespace
