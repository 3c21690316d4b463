// The 16-bit conversion takes a vector path for the aligned middle of the destination and
// a plain one for the head and tail; every split must give the exact floats and write
// nothing past the end.
#include "engine/decode/Pcm16.h"

#include <gtest/gtest.h>

#include <vector>

using kalvor::engine::decode::pcm16ToFloat;

namespace {

struct Split {
    std::size_t offset; // destination floats past a 16-byte boundary
    std::size_t count;
};

class Pcm16Test : public ::testing::TestWithParam<Split> {};

TEST_P(Pcm16Test, GivesExactFloatsAndStopsAtTheEnd) {
    const auto [offset, count] = GetParam();
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
    pcm16ToFloat(samples.data(), buffer + offset, count);
    for (std::size_t i = 0; i < offset; ++i)
        ASSERT_EQ(buffer[i], kGuard) << "before the start, at " << i;
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(buffer[offset + i], static_cast<float>(samples[i]) / 32768.0f) << "sample " << i;
    ASSERT_EQ(buffer[offset + count], kGuard) << "past the end";
}

INSTANTIATE_TEST_SUITE_P(Splits, Pcm16Test,
                         ::testing::Values(Split{0, 0}, Split{1, 1}, Split{0, 8}, Split{3, 7},
                                           Split{1, 9}, Split{2, 17}, Split{0, 65536},
                                           Split{3, 65541}));

} // namespace
