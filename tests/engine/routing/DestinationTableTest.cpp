// The destination selector's table read back from stored flags, and the rule that keeps
// mono sounds off stereo entries and stereo sounds off mono entries, with its texts.
#include "core/UiLanguage.h"
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
    const struct {
        std::uint32_t flags;
        int fileChannels;
        int index;
    } cases[] = {
        {0x1000000, 1, 5},
        {0x1000000, 2, 1},
        {0x3000000, 1, 8},
        {0x3000000, 2, 2},
        {0x2000000, 1, 11},
        {0x4000000, 2, 4},
        {0x4000000, 1, 14},
        // No sound loaded yet, or a multichannel one: the stereo entry of the pair.
        {0x2000000, 0, 3},
        {0x2000000, 6, 3},
        // A single speaker is its own entry whatever the sound.
        {0x23000000, 2, 10},
        {0x14000000, 0, 15},
        // Nothing we know: the default.
        {0x5000000, 2, 0},
        {0x30000000, 1, 0},
        {0x80, 2, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(surroundDestinationIndex(std::int32_t(c.flags), c.fileChannels), c.index)
            << std::hex << c.flags << " with " << c.fileChannels;
}

TEST(DestinationTable, MonoAndStereoSoundsAreKeptToTheirEntries) {
    const struct {
        int fileChannels;
        int index;
        RoutingRefusal refusal;
    } cases[] = {
        {1, 0, RoutingRefusal::None},           {1, 1, RoutingRefusal::StereoForMono},
        {1, 4, RoutingRefusal::StereoForMono},  {1, 5, RoutingRefusal::None},
        {1, 16, RoutingRefusal::None},          {2, 0, RoutingRefusal::None},
        {2, 4, RoutingRefusal::None},           {2, 5, RoutingRefusal::MonoForStereo},
        {2, 16, RoutingRefusal::MonoForStereo}, {0, 3, RoutingRefusal::None},
        {0, 12, RoutingRefusal::None},          {6, 9, RoutingRefusal::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(routingRefusal(c.fileChannels, c.index), c.refusal)
            << c.fileChannels << " channels, entry " << c.index;

    UiLanguage::instance().set(Language::German);
    EXPECT_EQ(routingRefusalText(RoutingRefusal::StereoForMono),
              QStringLiteral("Stereo Zuweisung nicht erlaubt für Mono Sounds!"));
    EXPECT_EQ(surroundFailureText(9).split(QStringLiteral("\r\n")).at(2),
              QStringLiteral("Mono -> Center"));
    UiLanguage::instance().set(Language::English);
    EXPECT_EQ(routingRefusalText(RoutingRefusal::MonoForStereo),
              QStringLiteral("Mono routing not allowed for Stereo sounds!"));
    EXPECT_TRUE(routingRefusalText(RoutingRefusal::None).isEmpty());
}
