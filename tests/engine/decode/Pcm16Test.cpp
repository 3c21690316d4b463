// The 16-bit conversion streams the aligned middle of the destination and writes the head
// and tail the plain way; every split, and the plain path alone, must give the exact
// floats and write nothing past the end. How 16-bit reads reach a feed: the way that costs
// less by the margin, the other tried every 16th read, a change followed; and the streamed
// copy is exact at any alignment.
#include "engine/decode/Pcm16.h"
#include "engine/decode/StoreChoice.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kalvor::engine::decode;

namespace {

using Split = std::tuple<std::size_t, std::size_t, bool>; // offset, count, streaming

class Pcm16Test : public ::testing::TestWithParam<Split> {};

TEST_P(Pcm16Test, GivesExactFloatsAndStopsAtTheEnd) {
    const auto [offset, count, streaming] = GetParam();
    std::vector<short> samples(count);
    for (std::size_t i = 0; i < count; ++i) // runs through both extremes and zero
        samples[i] = static_cast<short>(static_cast<int>(i * 7919u % 65536u) - 32768);
    if (count > 1) {
        samples[0] = -32768;
        samples[count - 1] = 32767;
    }
    constexpr float kGuard = 12345.0f;
    alignas(16) static float buffer[70000 + 8];
    std::fill(std::begin(buffer), std::end(buffer), kGuard);
    pcm16ToFloat(samples.data(), buffer + offset, count, streaming);
    for (std::size_t i = 0; i < offset; ++i)
        ASSERT_EQ(buffer[i], kGuard) << "before the start, at " << i;
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(buffer[offset + i], static_cast<float>(samples[i]) / 32768.0f) << "sample " << i;
    ASSERT_EQ(buffer[offset + count], kGuard) << "past the end";
}

INSTANTIATE_TEST_SUITE_P(Splits, Pcm16Test,
                         ::testing::Values(Split{0, 0, true}, Split{1, 1, true}, Split{0, 8, true},
                                           Split{3, 7, true}, Split{1, 9, true}, Split{2, 17, true},
                                           Split{0, 65536, true}, Split{3, 65541, true},
                                           Split{3, 65541, false}));

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
