// The 16-bit conversion streams the aligned middle of the destination and writes the head
// and tail the plain way; every split, and the plain path alone, must give the exact
// floats and write nothing past the end.
#include "engine/decode/Pcm16.h"

#include <gtest/gtest.h>

#include <vector>

using kalvor::engine::decode::pcm16ToFloat;

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

} // namespace
