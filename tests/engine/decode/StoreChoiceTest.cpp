// The choice between reading 16-bit samples straight into a feed and streaming them there:
// it follows whichever costs less by the margin, keeps trying the other way now and then,
// and follows a change in what each costs within a few tries of it.
#include "engine/decode/StoreChoice.h"
#include "engine/decode/Pcm16.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

using kalvor::engine::decode::StoreChoice;

namespace {

// Runs `reads` reads at the given costs per frame; returns how many of the last 32 streamed.
int streamedOfLast32(StoreChoice& choice, int reads, double straight, double streamed) {
    int count = 0;
    for (int i = 0; i < reads; ++i) {
        const bool stream = choice.streamNext();
        choice.took(stream, stream ? streamed : straight);
        if (i >= reads - 32 && stream)
            ++count;
    }
    return count;
}

TEST(StoreChoice, TakesTheCheaperWayAndFollowsAChange) {
    // what, straight and streamed cost before; after; streamed of the last 32 reads of each
    using Row = std::tuple<const char*, double, double, double, double, int, int>;
    const Row cases[] = {
        {"cores apart: streaming, the straight read tried every 16th", 2.0, 1.2, 2.0, 1.2, 30, 30},
        {"cores sharing a cache: straight, streaming tried every 16th", 1.0, 1.5, 1.0, 1.5, 2, 2},
        {"streaming cheaper, but not by the margin: straight", 1.0, 0.9, 1.0, 0.9, 2, 2},
        {"the cores move apart", 1.0, 1.1, 2.2, 1.1, 2, 30},
        {"the cores come together", 2.2, 1.1, 1.0, 1.1, 30, 2},
    };
    for (const auto& [what, straight1, streamed1, straight2, streamed2, before, after] : cases) {
        SCOPED_TRACE(what);
        StoreChoice choice;
        EXPECT_FALSE(choice.streamNext()) << "the straight read is timed first";
        choice.took(false, straight1);
        EXPECT_TRUE(choice.streamNext()) << "then the streamed one";
        choice.took(true, streamed1);
        EXPECT_EQ(streamedOfLast32(choice, 200, straight1, streamed1), before);
        // Every change shows within the 200 reads before the last 32.
        EXPECT_EQ(streamedOfLast32(choice, 232, straight2, streamed2), after);
    }
}

TEST(StoreChoice, TheStreamedCopyIsExactAtEveryAlignment) {
    // offset of the destination in samples, count
    using Row = std::tuple<std::size_t, std::size_t>;
    const Row cases[] = {{0, 0}, {1, 1}, {0, 8}, {3, 7}, {1, 9}, {7, 17}, {0, 8192}, {5, 8199}};
    for (const auto& [offset, count] : cases) {
        SCOPED_TRACE(testing::Message() << offset << " + " << count);
        std::vector<std::int16_t> from(count);
        for (std::size_t i = 0; i < count; ++i)
            from[i] = static_cast<std::int16_t>(i * 7919u);
        alignas(16) static std::int16_t into[8192 + 16];
        std::fill(std::begin(into), std::end(into), std::int16_t{12345});
        kalvor::engine::decode::streamPcm16(from.data(), into + offset, count);
        for (std::size_t i = 0; i < offset; ++i)
            ASSERT_EQ(into[i], 12345) << "before the start";
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(into[offset + i], from[i]) << "sample " << i;
        ASSERT_EQ(into[offset + count], 12345) << "past the end";
    }
}

} // namespace
