// Speaker routing as the operator meets it on a multichannel card: every destination of
// the selector reaches exactly its speakers (ALSA order FL FR RL RR C LFE SL SR), a
// device without those speakers refuses, a playing channel moved to another destination
// or output plays on from the very next frame, and what a load does to a stored
// destination that does not fit the sound or the device.
#include "TestMedia.h"
#include "engine/kae/SurroundDestinations.h"
#include "support/KaeRig.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;
using testmedia::rampValue;

namespace {

RigOptions cards() {
    return {{scriptedDevice(u"Card 7.1"_s, 8), scriptedDevice(u"Card 5.1"_s, 6),
             scriptedDevice(u"Stereo"_s, 2)},
            {}};
}

// The speakers of `r` that carry anything over [from, to), as a bit per output.
unsigned soundingOutputs(const Rendered& r, std::int64_t from, std::int64_t to) {
    unsigned mask = 0;
    for (int c = 0; c < r.channels; ++c)
        if (r.peak(c, from, to) > 0.0)
            mask |= 1u << c;
    return mask;
}

constexpr unsigned FL = 1, FR = 2, RL = 4, RR = 8, C = 16, LFE = 32, SL = 64, SR = 128;

// Loads `path` into channel 0 with the destination `index` on the named output and plays.
bool playRouted(KaeRig& rig, const QString& output, int index, const QString& path) {
    Channel& ch = rig.store.channel(0);
    ch.volume = 100;
    ch.fileName = path;
    ch.surroundDestination = std::int32_t(engine::surroundDestinationFlags(index));
    ch.outputName.clear();
    if (!KAE__Channel_ChangeSurround(0, output))
        return false;
    KAE__Channel_ApplySettings(0);
    return KAE__Channel_Play(0, true, false);
}

} // namespace

TEST(Routing, EveryDestinationReachesItsSpeakers) {
    KaeRig rig(cards());
    ASSERT_TRUE(rig.initResult);
    // on71: the speakers of a 7.1 card that sound; right: where the left and right source channels
    // arrive (-1: nowhere); on51: a 5.1 card takes it
    using Row = std::tuple<int, int, unsigned, int, int, bool>;
    const Row cases[] = {
        {0, 2, FL | FR, 0, 1, true},   {0, 1, FL | FR, 0, 1, true}, {1, 2, FL | FR, 0, 1, true},
        {2, 2, C | LFE, 4, 5, true},   {3, 2, RL | RR, 2, 3, true}, {4, 2, SL | SR, 6, 7, false},
        {5, 1, FL | FR, 0, 1, true},   {6, 1, FL, 0, -1, true},     {7, 1, FR, 1, -1, true},
        {8, 1, C | LFE, 4, 5, true},   {9, 1, C, 4, -1, true},      {10, 1, LFE, 5, -1, true},
        {11, 1, RL | RR, 2, 3, true},  {12, 1, RL, 2, -1, true},    {13, 1, RR, 3, -1, true},
        {14, 1, SL | SR, 6, 7, false}, {15, 1, SL, 6, -1, false},   {16, 1, SR, 7, -1, false},
    };
    for (const auto& [index, fileChannels, on71, left, right, on51] : cases) {
        const std::string entry = engine::surroundDestinationText(index).toStdString();
        SCOPED_TRACE(entry + (fileChannels == 1 ? " (mono)" : " (stereo)"));
        ASSERT_TRUE(playRouted(rig, u"Card 7.1"_s, index, rampFile(40000, fileChannels)));
        EXPECT_EQ(rig.store.channel(0).surroundDestination,
                  std::int32_t(engine::surroundDestinationFlags(index)));
        const Rendered r = rig.render(2048);
        ASSERT_EQ(r.channels, 8);
        EXPECT_EQ(soundingOutputs(r, 0, 2048), on71);
        // The sound arrives unchanged: the left (or only) source channel on the first
        // speaker, the right one (a mono sound: the same one) on the second.
        for (std::int64_t f = 0; f < 2048; f += 97) {
            ASSERT_EQ(r.at(f, left), rampValue(f, 0)) << f;
            if (right >= 0) {
                ASSERT_EQ(r.at(f, right), rampValue(f, fileChannels == 2 ? 1 : 0)) << f;
            }
        }
        KAE__Channel_Stop(0);
        rig.render(256); // its 3 ms fade-out, so that the next row starts from silence

        // A 5.1 card has no second rear pair: the load is refused there.
        EXPECT_EQ(playRouted(rig, u"Card 5.1"_s, index, rampFile(40000, fileChannels)), on51);
        KAE__Channel_Stop(0);
        rig.render(256);
    }
}

TEST(Routing, APlayingChannelMovedToAnotherDestinationPlaysOnFromTheNextFrame) {
    KaeRig rig(cards());
    ASSERT_TRUE(rig.initResult);
    ASSERT_TRUE(playRouted(rig, u"Card 7.1"_s, 1, rampFile(40000, 2)));
    Rendered r = rig.render(3000, 100);
    rig.store.controls(0).loopMode = 1;
    // To the rear pair, the centre pair, then another card's front pair: each time the
    // first frame after the move is the frame after the last one heard.
    std::int64_t heard = 3000;
    using Step = std::tuple<const char*, int, int>; // output, destination index, its left
    for (const auto& [output, index, left] :
         {Step{"Card 7.1", 3, 2}, Step{"Card 7.1", 2, 4}, Step{"Card 5.1", 1, 0}}) {
        SCOPED_TRACE(index);
        rig.store.channel(0).surroundDestination =
            std::int32_t(engine::surroundDestinationFlags(index));
        rig.takeAudioLines();
        ASSERT_TRUE(KAE__Channel_ChangeSurround(0, QString::fromLatin1(output)));
        EXPECT_EQ(rig.takeAudioLines().first(), u"KAE Module: KAE__Channel_ChangeSurround"_s);
        EXPECT_TRUE(KAE__Channel_IsPlaying(0));
        EXPECT_EQ(rig.store.channel(0).outputName, QLatin1String(output));
        const Rendered after = rig.render(1000, 100);
        // Under the 3 ms (132 frames) fade-in that crosses the old place's fade-out.
        for (std::int64_t f = 0; f < 1000; ++f) {
            const float gain = std::min(1.0f, static_cast<float>(f + 1) / 132);
            ASSERT_NEAR(after.at(f, left), rampValue(heard + f, 0) * gain, 1e-6f) << f;
            ASSERT_NEAR(after.at(f, left + 1), rampValue(heard + f, 1) * gain, 1e-6f) << f;
        }
        heard += 1000;
        EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), heard);
    }
    // The loop flag came from the channel's LoopMode: the sound goes round at its end.
    rig.render(40000 - heard + 500, 1000);
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));

    // A destination the card cannot take: false, the channel is stopped and empty, which
    // is what the selector's "Channel Error" box starts from.
    rig.store.channel(0).surroundDestination = std::int32_t(engine::surroundDestinationFlags(4));
    EXPECT_FALSE(KAE__Channel_ChangeSurround(0, u"Card 5.1"_s));
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
    EXPECT_TRUE(rig.store.channel(0).fileName.isEmpty());
}

TEST(Routing, ALoadKeepsOnlyADestinationTheSoundAndDeviceCanTake) {
    KaeRig rig(cards());
    ASSERT_TRUE(rig.initResult);
    namespace f = audio::flags;
    using Row = std::tuple<const char*, int, std::uint32_t, std::uint32_t>;
    const Row cases[] = {
        // A stereo-only card: every load goes to the default destination.
        {"Stereo", 1, f::SpeakerFront | f::SpeakerLeft, 0},
        {"Stereo", 2, f::SpeakerFront, 0},
        // A stereo sound cannot go to one speaker ("Mono -> Front Left" from a preset).
        {"Card 7.1", 2, f::SpeakerFront | f::SpeakerLeft, 0},
        {"Card 7.1", 2, f::SpeakerCenLfe | f::SpeakerRight, 0},
        {"Card 7.1", 2, f::SpeakerRear2, f::SpeakerRear2},
        {"Card 7.1", 1, f::SpeakerRear | f::SpeakerRight, f::SpeakerRear | f::SpeakerRight},
        // More than two channels always play as they are.
        {"Card 7.1", 6, f::SpeakerFront, 0},
    };
    for (const auto& [output, fileChannels, stored, loaded] : cases) {
        SCOPED_TRACE(testing::Message()
                     << output << ", " << fileChannels << " channels, 0x" << std::hex << stored);
        Channel& ch = rig.store.channel(3);
        ASSERT_TRUE(KAE__Channel_ChangeDevice(3, QLatin1String(output), false) ||
                    ch.outputName == QLatin1String(output));
        ch.surroundDestination = std::int32_t(stored);
        ASSERT_TRUE(KAE__Channel_Load_Sound(3, rampFile(4000, fileChannels)));
        EXPECT_EQ(std::uint32_t(ch.surroundDestination), loaded);
        EXPECT_EQ(ch.fileChannels, fileChannels);
    }
}

// The destination selector's table read back from stored flags, and the rule that keeps
// mono sounds off stereo entries and stereo sounds off mono entries. (Its texts: the
// selector's tests.)
TEST(DestinationTable, StoredFlagsShowTheirEntry) {
    using namespace engine;
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
    using enum engine::RoutingRefusal;
    using Row = std::tuple<int, int, engine::RoutingRefusal>;
    const Row cases[] = {
        {1, 0, None}, {1, 1, StereoForMono}, {1, 4, StereoForMono},  {1, 5, None},
        {2, 4, None}, {2, 5, MonoForStereo}, {2, 16, MonoForStereo}, {0, 12, None},
    };
    for (const auto& [fileChannels, index, refusal] : cases)
        EXPECT_EQ(engine::routingRefusal(fileChannels, index), refusal)
            << fileChannels << " channels, entry " << index;
}

TEST(Routing, AOneOutputDeviceTakesEverySoundAtItsOwnLevel) {
    // Both sides of a sound land on the one output: a mono sound is heard once, and a stereo
    // one cannot go past full scale there, as the multichannel fold-down.
    KaeRig rig({{scriptedDevice(u"Mono box"_s, 1)}, {}});
    ASSERT_TRUE(rig.initResult);
    for (const int fileChannels : {1, 2}) {
        SCOPED_TRACE(fileChannels);
        const QString path =
            testmedia::makeSound(mediaFolder(), QStringLiteral("half_%1ch.wav").arg(fileChannels),
                                 testmedia::Format::Wav16, 44100, fileChannels,
                                 std::vector<float>(std::size_t(8000 * fileChannels), 0.5f));
        rig.store.channel(0).volume = 100;
        ASSERT_TRUE(loadAndApply(0, path));
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        const Rendered r = rig.render(2048);
        ASSERT_EQ(r.channels, 1);
        EXPECT_NEAR(toDb(r.peak(0, 256, 2048) / 0.5), 0.0, 0.01);
    }
}

TEST(Routing, ACardThatChangedItsNumberKeepsItsShowsAndPreview) {
    // ALSA numbers cards in the order it finds them at boot, and a hardware output's name
    // ends in that number: after a reboot the two interfaces below swapped numbers.
    const RigOptions swapped{{scriptedDevice(u"HDA Intel PCH: ALC892 Analog (hw:0,0)"_s),
                              scriptedDevice(u"Scarlett 18i8: USB Audio (hw:1,0)"_s, 8),
                              scriptedDevice(u"USB Audio CODEC: - (hw:2,0)"_s)},
                             {{u"PreviewDevice"_s, u"USB Audio CODEC: - (hw:1,0)"_s}}};
    KaeRig rig(swapped);
    ASSERT_TRUE(rig.initResult);
    ChoosePreviewOutput();
    EXPECT_EQ(rig.store.channel(kPreviewChannel).outputName.toStdString(),
              "USB Audio CODEC: - (hw:2,0)");
    using Row = std::tuple<QString, QString>; // stored in the preset, found now
    const Row cases[] = {
        {u"Scarlett 18i8: USB Audio (hw:2,0)"_s, u"Scarlett 18i8: USB Audio (hw:1,0)"_s},
        {u"USB Audio CODEC: - (hw:1,0)"_s, u"USB Audio CODEC: - (hw:2,0)"_s},
        // Another device of the card is another output.
        {u"USB Audio CODEC: - (hw:1,1)"_s, u"HDA Intel PCH: ALC892 Analog (hw:0,0)"_s},
        {u"Gone: USB Audio (hw:3,0)"_s, u"HDA Intel PCH: ALC892 Analog (hw:0,0)"_s},
    };
    for (const auto& [stored, found] : cases)
        EXPECT_EQ(FindPresetOutput(0, stored, 0).name.toStdString(), found.toStdString());
}
