// The engine's arithmetic as operators meet it: fade levels heard, meter dB shown,
// lengths shown as "hh:mm:ss", positions shown in frames, vari-speed rates.
#include "engine/kae/KaeMath.h"
#include "engine/kae/OutputDevices.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <array>

using namespace kalvor;
using namespace kalvor::engine;
using namespace Qt::StringLiterals;

TEST(KaeMath, LevelToDbMatchesTheMeterScale) {
    using Row = std::tuple<int, int>;
    const Row cases[] = {
        {32768, 0},  {16384, -6}, {0, -99},   {-5, -99},
        {1, -90},    {3277, -20}, {328, -40}, {23170, -3}, // 20 log10(23170/32768) = -3.0103
        {11585, -9},                                       // -9.031
        {29205, -1}, // -1.0004: just past a half would be wrong either way
    };
    for (const auto& [peak, db] : cases)
        EXPECT_EQ(KAE__LevelToDB(peak), db) << "peak " << peak;
}

TEST(KaeMath, FadeLevelsFollowTheCurveTables) {
    using Row = std::tuple<int, int, std::array<int, 6>, std::array<int, 6>>;
    const Row cases[] = {
        // Curve 2 and curve 1 in are heard in KaeSound; curve 1 out is only here.
        {94, 1, {0, 66, 75, 85, 94, 0}, {0, 70, 52, 33, 0, 0}},
        // Halves go to the even neighbour: 50 x 35 % = 17.5 -> 18, 50 x 55 % = 27.5 -> 28,
        // 30 x 35 % = 10.5 -> 10, 30 x 75 % = 22.5 -> 22, 10 x 35 % = 3.5 -> 4.
        {50, 3, {0, 18, 28, 38, 50, 0}, {0, 45, 40, 35, 0, 0}},
        {30, 3, {0, 10, 16, 22, 30, 0}, {0, 27, 24, 21, 0, 0}},
        {10, 3, {0, 4, 6, 8, 10, 0}, {0, 9, 8, 7, 0, 0}},
        // An unknown curve still ends on the full volume (fade-in) or silence.
        {94, 0, {0, 0, 0, 0, 94, 0}, {0, 0, 0, 0, 0, 0}},
        {94, 4, {0, 0, 0, 0, 94, 0}, {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& [volume, curve, in, out] : cases) {
        for (int step = 0; step < 6; ++step) {
            EXPECT_EQ(fadeInLevel(volume, curve, step), in[step])
                << "in volume " << volume << " curve " << curve << " step " << step;
            EXPECT_EQ(fadeOutLevel(volume, curve, step), out[step])
                << "out volume " << volume << " curve " << curve << " step " << step;
        }
    }
}

TEST(KaeMath, PlaybackFrequencyFollowsVariSpeed) {
    using Row = std::tuple<int, int, int>;
    const Row cases[] = {
        {44100, 0, 44100},   {44100, 10, 48510}, {44100, -50, 22050},
        {44100, 100, 88200}, {22050, 1, 22270}, // 220.5 -> 220
        {22050, 3, 22712},                      // 661.5 -> 662
        {22050, -1, 21830},                     // -220.5 -> -220
        {48000, -100, 0},    {0, 25, 0},
    };
    for (const auto& [rate, variSpeed, result] : cases)
        EXPECT_EQ(playbackFrequency(rate, variSpeed), result) << rate << " " << variSpeed;
}

TEST(KaeMath, FramesFromBytesOnlyForMonoAndStereo) {
    using Row = std::tuple<std::int64_t, int, std::optional<std::int64_t>>;
    const Row cases[] = {
        // Halves go to the even neighbour.
        {88200, 1, 44100},       {6, 2, 2}, {10, 2, 2}, {5, 1, 2}, {4000, 4, std::nullopt},
        {4000, 0, std::nullopt},
    };
    for (const auto& [bytes, channels, frames] : cases)
        EXPECT_EQ(framesFromBytes(bytes, channels), frames) << bytes << " " << channels;
    EXPECT_EQ(bytesFromFrames(44100, 6), std::nullopt);
}

TEST(KaeMath, LengthTextIsHoursMinutesSeconds) {
    using Row = std::tuple<std::int64_t, const char*>;
    const Row cases[] = {
        {0, "00:00:00"},    {59, "00:00:59"},   {60, "00:01:00"},     {3599, "00:59:59"},
        {3600, "01:00:00"}, {3723, "01:02:03"}, {359999, "99:59:59"}, {360000, "100:00:00"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(hmsText(seconds), QString::fromLatin1(text));
}

TEST(KaeMath, FadeSegmentsAreAQuarterOfTheFade) {
    EXPECT_EQ(fadeSegmentMs(1000), 250);
    EXPECT_EQ(fadeSegmentMs(1002), 250); // 250.5
    EXPECT_EQ(fadeSegmentMs(1006), 252); // 251.5
    EXPECT_EQ(fadeSegmentMs(3), 1);      // 0.75
    EXPECT_EQ(fadeSegmentMs(0), 0);
}

// The output device list's scan rules: which descriptions the options keep, in which
// order, with which library numbers; and what the output selectors see of the list.
namespace {

std::function<std::optional<QString>(int)> describing(const QStringList& names) {
    return [names](int n) -> std::optional<QString> {
        if (n < 1 || n > names.size())
            return std::nullopt;
        return names.at(n - 1);
    };
}

// "name#number, ..." so a failure prints readably.
std::string namesOf(const std::vector<OutputDevice>& devices) {
    QStringList names;
    for (const auto& d : devices)
        names << d.name + QLatin1Char('#') + QString::number(d.number);
    return names.join(u", "_s).toStdString();
}

std::string joined(const QStringList& names) {
    return names.join(u", "_s).toStdString();
}

} // namespace

TEST(OutputDevices, MarkersDecideWhatIsListed) {
    const QStringList card{
        u"Delta 1010 1/2"_s,        u"Delta 1010 3/4"_s,
        u"Delta 1010 5-6"_s,        u"Delta 1010 7+8"_s,
        u"Primary Sound Driver"_s,  u"Null output (emulated)"_s,
        u"Soundkarte (EMULIERT)"_s, u"Carte son (émulé)"_s,
        u"Card 3 - 4 spaced"_s,     u"Out 13/14"_s,
    };
    using Row = std::tuple<bool, bool, QStringList>;
    const Row cases[] = {
        // Markers match as written: "3 - 4" and "13/14" are not pair names.
        {false,
         true,
         {"Delta 1010 1/2#1", "Primary Sound Driver#5", "Null output (emulated)#6",
          "Soundkarte (EMULIERT)#7", "Carte son (émulé)#8", "Card 3 - 4 spaced#9", "Out 13/14#10"}},
        {true,
         false,
         {"Delta 1010 1/2#1", "Delta 1010 3/4#2", "Delta 1010 5-6#3", "Delta 1010 7+8#4",
          "Primary Sound Driver#5", "Card 3 - 4 spaced#9", "Out 13/14#10"}},
        {true,
         true,
         {"Delta 1010 1/2#1", "Primary Sound Driver#5", "Card 3 - 4 spaced#9", "Out 13/14#10"}},
    };
    for (const auto& [noEmulated, firstPairOnly, listed] : cases) {
        EXPECT_EQ(namesOf(scanDevices(describing(card), noEmulated, firstPairOnly)), joined(listed))
            << "noEmulated " << noEmulated << " firstPairOnly " << firstPairOnly;
    }
}

TEST(OutputDevices, ScanStopsAtTheFirstMissingDescription) {
    int asked = 0;
    const auto describe = [&asked](int n) -> std::optional<QString> {
        ++asked;
        if (n == 3)
            return std::nullopt;
        return u"Device %1"_s.arg(n);
    };
    EXPECT_EQ(namesOf(scanDevices(describe, true, true)), "Device 1#1, Device 2#2");
    EXPECT_EQ(asked, 3);
}

TEST(OutputDevices, ListModelShowsNamesAndFindsOutputs) {
    OutputDeviceList list;
    list.setDevices({{u"Speakers A"_s, 2, 2}, {u"Speakers B"_s, 4, 8}, {u"Speakers A"_s, 5, 2}});
    EXPECT_EQ(list.data(list.index(1)).toString(), u"Speakers B"_s);
    EXPECT_EQ(list.findName(u"Speakers A"_s), 0) << "first in list order wins";
    EXPECT_EQ(list.findName(u"speakers a"_s), -1) << "names compare exactly";
    EXPECT_EQ(list.findNumber(5), 2);
    EXPECT_EQ(list.findNumber(1), -1);
}
