// The KR-1's wire format both ways, its key table, and the peer's decoder on noise.
#include "control/units/UnitScreen.h"
#include "control/units/kr1/Kr1Decoder.h"
#include "control/units/kr1/Kr1Keys.h"
#include "control/units/kr1/Kr1Protocol.h"
#include "control/units/kr1/Kr1Screens.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::kr1;

TEST(Kr1Wire, FramingAndCharacterMapping) {
    struct Row {
        QString command;
        QByteArray wire;
    };
    const std::vector<Row> rows = {
        // clang-format off
        {QStringLiteral("F11,3"), "\x1b\x1b" "F11,3\r"},
        {QStringLiteral("F65535"), "F65535\r"},
        {QStringLiteral("Z2,21,Text"), "Z2,21,Text\r"},
        {QStringLiteral("E"), "\x1b\x1b" "E\r"},
        {QStringLiteral("G"), "\x1b\x1b" "G\r"},
        {QStringLiteral("Y14"), "\x1b\x1b" "Y14\r"},
        {QStringLiteral("G0,18,319,18"), "G0,18,319,18\r"},
        {QStringLiteral("M4"), "M4\r"},
        {QStringLiteral("Z1,1,ä"), "Z1,1,\x84\r"},
        {QStringLiteral("Z1,1,§"), "Z1,1,$\r"},
        {QStringLiteral("Z1,1,´"), "Z1,1,'\r"},
        {QStringLiteral("Z1,1,ÄÖÜöüßéú"), "Z1,1,\x8e\x99\x9a\x94\x81\xe1\x82\xa3\r"},
        {QStringLiteral("Z1,1,a€\rb"), "Z1,1,a??b\r"}, // one byte per character, no early CR
        // clang-format on
    };
    for (const Row& r : rows)
        EXPECT_EQ(frame(r.command), r.wire) << r.command.toStdString();
    EXPECT_EQ(frameContrast(7), QByteArray("\x1b\x1bM7\r"));
    EXPECT_EQ(decodeText("B\x84r \x9a"), QStringLiteral("Bär Ü"));
}

TEST(Kr1Wire, KeyTableInBothModes) {
    struct Row {
        int code;
        bool hotkeys;
        KeyAction action;
        int value;
    };
    // The edges of each key group, not the whole table again.
    const std::vector<Row> rows = {
        // clang-format off
        {1, false, KeyAction::ChannelPress, 0},   {8, false, KeyAction::ChannelPress, 7},
        {9, false, KeyAction::ChannelRelease, 0}, {16, false, KeyAction::ChannelRelease, 7},
        {22, false, KeyAction::Step, -1},  {30, false, KeyAction::Step, 1},
        {0, false, KeyAction::None, 0},    {33, false, KeyAction::None, 0},
        {109, false, KeyAction::None, 0},
        // hotkey mode: presses and releases of 1..8 stay, the rest are channel PLAYs
        {1, true, KeyAction::ChannelPress, 0},   {9, true, KeyAction::ChannelRelease, 0},
        {17, true, KeyAction::ChannelTap, 16},   {32, true, KeyAction::ChannelTap, 31},
        {209, true, KeyAction::ChannelTap, 8},   {232, true, KeyAction::ChannelTap, 31},
        {208, true, KeyAction::None, 0},         {233, true, KeyAction::None, 0},
        {109, true, KeyAction::Menu, 0},
        // clang-format on
    };
    for (const Row& r : rows) {
        const Key k = decodeKey(r.code, r.hotkeys);
        EXPECT_EQ(k.action, r.action) << r.code << (r.hotkeys ? " hotkeys" : "");
        EXPECT_EQ(k.value, r.value) << r.code << (r.hotkeys ? " hotkeys" : "");
    }
    EXPECT_EQ(keyLabel(25), QStringLiteral("[ PRESET + ]"));
    EXPECT_EQ(keyLabel(109), QStringLiteral("            "));
}

// An endless command is dropped at its cap, and the next good command still draws.
TEST(Kr1Wire, PeerDecoderSurvivesNoise) {
    Kr1Decoder d;
    UnitScreen s(d.surface());
    d.feed(QByteArray(10000, 'Z'), s); // no CR at all
    d.feed("\rZ100,20,after noise\r", s);
    EXPECT_EQ(s.textAt(100, 20), QStringLiteral("after noise"));
    for (const char* bad : {"Z1\r", "Zx,y,t\r", "N1,2,3\r", "C1,2,3,4,5\r", "B99999999,0,0,0\r"})
        d.feed(bad, s);
    d.feed("DL\r", s);
    EXPECT_TRUE(s.items().empty());
}

// The list screen puts line n of the page at 247 - 12 n with the cursor in front.
TEST(Kr1Wire, ListScreenThroughThePeer) {
    Painter p;
    QStringList lines;
    for (int i = 1; i <= 14; ++i)
        lines << QStringLiteral("line %1").arg(i);
    listScreen(p, QStringLiteral("Preset Memory: 14"), lines, 13);
    Kr1Decoder d;
    UnitScreen s(d.surface());
    for (const Command& c : p.commands())
        d.feed(c.bytes, s);
    EXPECT_EQ(s.textAt(235, 14), QStringLiteral("line 14")); // second page, second line
    EXPECT_EQ(s.textAt(235, 4), QStringLiteral(">"));
    EXPECT_FALSE(s.contains(QStringLiteral("line 12")));
    EXPECT_TRUE(s.contains(QStringLiteral("2/2")));
}

// The four channel page layouts: where the last channel's number and state land, and
// which one has the preset line.
TEST(Kr1Wire, ChannelPageLayouts) {
    struct Row {
        int layout;
        int lastNumberX, lastStateX, stateY;
        bool presetLine;
    };
    const std::vector<Row> rows = {
        {1, 16, 16, 22, false}, // eight bands of 40 from x = 280 down to 0
        {2, 53, 53, 22, true},  // eight of 35 down to 40, the preset line below
        {3, 6, 2, 21, false},   // sixteen of 20 down to 0
        {4, 6, 11, 21, false},
    };
    for (const Row& r : rows) {
        const Layout l = layout(r.layout);
        std::vector<ChannelView> views;
        for (int i = 0; i < l.channels; ++i) {
            ChannelView v;
            v.number = i + 1;
            v.state = QStringLiteral("STOP ");
            views.push_back(v);
        }
        Painter p;
        channelPage(p, l, views, QStringLiteral("Preset 2: Act two"));
        Kr1Decoder d;
        UnitScreen s(d.surface());
        for (const Command& c : p.commands())
            d.feed(c.bytes, s);
        EXPECT_EQ(s.textAt(r.lastNumberX, 3), QString::number(l.channels)) << r.layout;
        EXPECT_EQ(s.textAt(r.lastStateX, r.stateY), QStringLiteral("STOP ")) << r.layout;
        EXPECT_EQ(s.contains(QStringLiteral("Act two")), r.presetLine) << r.layout;
    }
}
