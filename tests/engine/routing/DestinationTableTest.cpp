// The destination selector's table read back from stored flags, and the rule that keeps
// mono sounds off stereo entries and stereo sounds off mono entries. (Its texts: the
// selector's tests.)
#include "engine/kae/SurroundDestinations.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::engine;

TEST(DestinationTable, StoredFlagsShowTheirEntry) {
    // Every entry comes back from its own flags with a sound of the kind it is for.
    for (int i = 0; i < kSurroundDestinationCount; ++i) {
        const DestinationFor kind = surroundDestinations()[std::size_t(i)].forSound;
        const int channels = kind == DestinationFor::Mono ? 1 : 2;
        EXPECT_EQ(surroundDestinationIndex(std::int32_t(surroundDestinationFlags(i)), channels), i)
            << surroundDestinationText(i).toStdString();
    }
    // No sound loaded yet or a multichannel one: a pair shows its stereo entry; a single
    // speaker is its own entry whatever the sound; anything unknown is the default.
    EXPECT_EQ(surroundDestinationIndex(0x2000000, 0), 3);
    EXPECT_EQ(surroundDestinationIndex(0x2000000, 6), 3);
    EXPECT_EQ(surroundDestinationIndex(0x14000000, 2), 15);
    EXPECT_EQ(surroundDestinationIndex(0x5000000, 2), 0);
    EXPECT_EQ(surroundDestinationIndex(0x30000000, 1), 0);
}

TEST(DestinationTable, MonoAndStereoSoundsAreKeptToTheirEntries) {
    using Row = std::tuple<int, int, RoutingRefusal>;
    const Row cases[] = {
        {1, 0, RoutingRefusal::None},           {1, 1, RoutingRefusal::StereoForMono},
        {1, 4, RoutingRefusal::StereoForMono},  {1, 5, RoutingRefusal::None},
        {2, 4, RoutingRefusal::None},           {2, 5, RoutingRefusal::MonoForStereo},
        {2, 16, RoutingRefusal::MonoForStereo}, {0, 12, RoutingRefusal::None},
    };
    for (const auto& [fileChannels, index, refusal] : cases)
        EXPECT_EQ(routingRefusal(fileChannels, index), refusal)
            << fileChannels << " channels, entry " << index;
}
