// The output device list's scan rules: which descriptions the options keep, in which
// order, with which library numbers; and what the output selectors see of the list.
#include "engine/kae/OutputDevices.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kalvor::engine;

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
    return names.join(QStringLiteral(", ")).toStdString();
}

std::string joined(const QStringList& names) {
    return names.join(QStringLiteral(", ")).toStdString();
}

} // namespace

TEST(OutputDevices, MarkersDecideWhatIsListed) {
    const QStringList card{
        QStringLiteral("Delta 1010 1/2"),        QStringLiteral("Delta 1010 3/4"),
        QStringLiteral("Delta 1010 5-6"),        QStringLiteral("Delta 1010 7+8"),
        QStringLiteral("Primary Sound Driver"),  QStringLiteral("Null output (emulated)"),
        QStringLiteral("Soundkarte (EMULIERT)"), QStringLiteral("Carte son (émulé)"),
        QStringLiteral("Card 3 - 4 spaced"),     QStringLiteral("Out 13/14"),
    };
    const struct {
        bool noEmulated, firstPairOnly;
        QStringList listed;
    } cases[] = {
        {false,
         false,
         {"Delta 1010 1/2#1", "Delta 1010 3/4#2", "Delta 1010 5-6#3", "Delta 1010 7+8#4",
          "Primary Sound Driver#5", "Null output (emulated)#6", "Soundkarte (EMULIERT)#7",
          "Carte son (émulé)#8", "Card 3 - 4 spaced#9", "Out 13/14#10"}},
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
    for (const auto& c : cases) {
        EXPECT_EQ(namesOf(scanDevices(describing(card), c.noEmulated, c.firstPairOnly)),
                  joined(c.listed))
            << "noEmulated " << c.noEmulated << " firstPairOnly " << c.firstPairOnly;
    }
}

TEST(OutputDevices, ScanStopsAtTheFirstMissingDescription) {
    int asked = 0;
    const auto describe = [&asked](int n) -> std::optional<QString> {
        ++asked;
        if (n == 3)
            return std::nullopt;
        return QStringLiteral("Device %1").arg(n);
    };
    EXPECT_EQ(namesOf(scanDevices(describe, true, true)), "Device 1#1, Device 2#2");
    EXPECT_EQ(asked, 3);
}

TEST(OutputDevices, ListModelShowsNamesAndFindsOutputs) {
    OutputDeviceList list;
    list.setDevices({{QStringLiteral("Speakers A"), 2, 2},
                     {QStringLiteral("Speakers B"), 4, 8},
                     {QStringLiteral("Speakers A"), 5, 2}});
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.data(list.index(1)).toString(), QStringLiteral("Speakers B"));
    EXPECT_EQ(list.data(list.index(1), OutputDeviceList::NumberRole).toInt(), 4);
    EXPECT_EQ(list.data(list.index(1), OutputDeviceList::SpeakersRole).toInt(), 8);
    EXPECT_FALSE(list.data(list.index(3)).isValid());
    EXPECT_EQ(list.findName(QStringLiteral("Speakers A")), 0) << "first in list order wins";
    EXPECT_EQ(list.findName(QStringLiteral("speakers a")), -1) << "names compare exactly";
    EXPECT_EQ(list.findNumber(5), 2);
    EXPECT_EQ(list.findNumber(1), -1);
    list.setSpeakers(2, 6);
    EXPECT_EQ(list.at(2).speakers, 6);
}
