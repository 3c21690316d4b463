// The output device list's scan rules: which descriptions the options keep, in which
// order, with which library numbers; and what the output selectors see of the list.
#include "engine/kae/OutputDevices.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kalvor::engine;
using namespace Qt::StringLiterals;

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
