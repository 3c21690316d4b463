// The KR-2's wire format: commands byte by byte, whole screens as the peer's decoder
// reads them, and the key codes the unit sends.
#include "control/units/UnitScreen.h"
#include "control/units/kr2/Kr2Commands.h"
#include "control/units/kr2/Kr2Decoder.h"
#include "control/units/kr2/Kr2Keys.h"
#include "control/units/kr2/Kr2Screens.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::units;

namespace {

UnitScreen decode(const QByteArrayList& commands) {
    Kr2Decoder decoder;
    UnitScreen screen(decoder.surface());
    for (const QByteArray& c : commands)
        decoder.feed(c, screen);
    return screen;
}

} // namespace

TEST(Kr2Commands, TextsStartWithEscOAndThePositionAndHaveNoLineEnd) {
    struct Row {
        QByteArray got;
        QByteArray want;
    };
    const std::vector<Row> rows = {
        {kr2Write(13, 1, QStringLiteral("Function Menu 1")), "\x1bO13,1Function Menu 1"},
        {kr2Write(1, 8, QStringLiteral("Über")), "\x1bO1,8\x9a"
                                                 "ber"},
        {kr2Write(2, 2, QStringLiteral("äöüß éàç")), "\x1bO2,2\x84\x94\x81\xe1 \x82\x85\x87"},
        // § and ´ stay as they are on the KR-2; control characters never reach the unit.
        {kr2Write(1, 1, QStringLiteral("§´\r\x1b")), "\x1bO1,1\xa7\xb4??"},
        // A position off the display is pulled onto it.
        {kr2Write(0, 9, QStringLiteral("x")), "\x1bO1,8x"},
        {kr2Write(41, 1, QStringLiteral("x")), "\x1bO40,1x"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.got, r.want) << r.want.toHex(' ').toStdString();
        EXPECT_FALSE(r.got.contains('\r'));
    }
    EXPECT_EQ(kr2Setup(), (QByteArrayList{"\033C0", "\x0c", "\x1bM1", "\x1bN"}));
    EXPECT_EQ(kr2Blink(), QByteArray("\033B\x10"));
}

// Each screen through the decoder: text expected at a column and row (1-based).
TEST(Kr2Screens, ShowTheirTextsWhereTheUnitExpectsThem) {
    std::array<Kr2ChannelLine, 8> lines;
    for (int i = 0; i < 8; ++i)
        lines[static_cast<std::size_t>(i)].channel = i + 1;
    lines[1].modes = {true, true, false, false, false, false, true};
    lines[1].playGroup = 2;
    lines[1].stopGroup = 5;
    lines[1].playing = true;
    lines[2].missing = true;
    Kr2List presets{
        {QStringLiteral("Intro"), QStringLiteral("Storm"), QStringLiteral("Rain")}, 1, 0};
    Kr2List folders{{QStringLiteral(".."), QStringLiteral("shows")}, 0, 0};
    struct Expect {
        int column;
        int row;
        const char* text;
    };
    struct Row {
        const char* name;
        QByteArrayList commands;
        std::vector<Expect> expect;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"start", kr2StartScreen(), {{1, 1, "╔══"}, {39, 1, "═╗"},
            {1, 4, "║          KALVOR REMOTE KR-2          ║"}, {1, 7, "║"}, {40, 7, "║"},
            {1, 8, "╚═"}, {40, 8, "╝"}}},
        {"channels", kr2ChannelPage(lines), {{1, 1, "1:"}, {4, 1, "-"}, {34, 1, "---"},
            {38, 1, "---"}, {1, 2, "2: RSTRT LP -   -   -   -   AUTO P2  S5"},
            {1, 3, "3: *FILE LOAD ERROR*  --:--"}, {1, 8, "8:"}}},
        {"menu", kr2FunctionMenu(2, QStringLiteral("Saving Playlist...")), {{13, 1, "Function Menu 1"},
            {1, 1, "┌─"}, {40, 1, "┐"}, {1, 2, "│ Keep Preset and Save Playlist"},
            {3, 4, "Save Playlist"}, {3, 5, "Load Playlist"}, {3, 6, "Saving Playlist..."},
            {1, 7, "└─"}, {1, 8, "(Select=up/down|Enter=execute|Menu=exit)"}}},
        {"presets", kr2PresetList(presets, QStringLiteral("Storm")), {{26, 1, "┌ Preset List ┐"},
            {27, 2, "Intro"}, {27, 3, "Storm"}, {1, 2, "Storm"}, {26, 8, "└─────────────┘"}}},
        {"sounds", kr2SoundList(4, {{QStringLiteral("Thunder")}, 0, 0}, true),
            {{1, 1, " ┌───── Sound List ──────┐"}, {2, 2, "1"}, {5, 2, "Thunder"},
             {29, 2, "Channel 4"}, {29, 5, "Quick select"}}},
        {"browser", kr2FileBrowser(folders, {}, false, QString()),
            {{1, 1, "┌ Drive/Folder ┐┌ Files ───"}, {40, 1, "┐"}, {2, 2, ".."}, {2, 3, "shows"},
             {18, 3, "     No playlist      "}, {18, 4, "     files found!     "}}},
        {"warning", kr2PlaylistWarning(Kr2Warning::NewFormat, false), {{1, 1, "Warning!"},
            {1, 4, "Some of the parameters could not be"},
            {1, 8, "      (Hit 'Enter' to continue)"}}},
        {"warning de", kr2PlaylistWarning(Kr2Warning::Unloadable, true), {{1, 1, "Achtung!"},
            {1, 4, "Alte Playlists können nicht mehr"}, {1, 8, "      (Weiter mit 'Enter' Taste)"}}},
        {"closed", kr2ClosedScreen(), {{14, 4, "Kalvor closed"}}},
    };
    // clang-format on
    for (const Row& r : rows) {
        const UnitScreen screen = decode(r.commands);
        for (const Expect& e : r.expect) {
            const QString want = QString::fromUtf8(e.text);
            EXPECT_EQ(screen.row(e.row - 1).mid(e.column - 1, want.size()), want)
                << r.name << " row " << e.row << "\n"
                << screen.rows().join(QLatin1Char('\n')).toStdString();
        }
    }
    // The selected lines stand out, the others do not.
    const UnitScreen menu = decode(kr2FunctionMenu(2, {}));
    EXPECT_TRUE(menu.cell(2, 3).attrs.inverse);
    EXPECT_FALSE(menu.cell(2, 2).attrs.inverse);
    const UnitScreen page = decode(kr2ChannelPage(lines));
    EXPECT_TRUE(page.cell(0, 1).attrs.inverse);  // channel 2 plays
    EXPECT_FALSE(page.cell(3, 1).attrs.inverse); // its modes do not
}

// A row drawn over the one before it (a sound that loads now, modes switched off) shows
// just what a fresh page would: nothing of the old row stays in the gaps between fields.
TEST(Kr2Screens, ARowDrawnAgainLeavesNothingOfTheOldOne) {
    Kr2ChannelLine missing;
    missing.channel = 3;
    missing.missing = true;
    Kr2ChannelLine full = missing;
    full.missing = false;
    full.modes.fill(true);
    full.playGroup = 8;
    full.stopGroup = 8;
    Kr2ChannelLine plain = missing;
    plain.missing = false;
    for (const Kr2ChannelLine& before : {missing, full}) {
        const UnitScreen fresh = decode(kr2ChannelRow(3, plain));
        const UnitScreen over = decode(kr2ChannelRow(3, before) + kr2ChannelRow(3, plain));
        EXPECT_EQ(over.row(2).toStdString(), fresh.row(2).toStdString());
    }
}

TEST(Kr2Keys, BytesBecomeKeysInAnyChunking) {
    using K = Kr2Key;
    struct Row {
        QByteArray bytes;
        std::vector<Kr2KeyEvent> want;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"\x01\x09\x08\x10", {{K::ChannelDown, 1, {}}, {K::ChannelUp, 1, {}},
            {K::ChannelDown, 8, {}}, {K::ChannelUp, 8, {}}}},
        {"\x11\x15\x19\x1d\x20", {{K::PresetMinus, 0, {}}, {K::Menu, 0, {}},
            {K::PresetPlus, 0, {}}, {K::Enter, 0, {}}, {K::Down, 0, {}}}},
        {"\x41\x60", {{K::DirectPlay, 1, {}}, {K::DirectPlay, 32, {}}}},
        {"\x21\x3c\x61\x78", {{K::Reserved, 0x21, {}}, {K::Reserved, 0x3c, {}},
            {K::Reserved, 0x61, {}}, {K::Reserved, 0x78, {}}}},
        {QByteArray("\x00\x3d\x40\x79\xfe", 5), {{K::Invalid, 0, {}}, {K::Invalid, 0x3d, {}},
            {K::Invalid, 0x40, {}}, {K::Invalid, 0x79, {}}, {K::Invalid, 0xfe, {}}}},
        {"\xff", {{K::AllUp, 0, {}}}},
        {"\xf0R\xf7\xf0VKR-2 v1.3\xf7", {{K::UnitReset, 0, {}}, {K::UnitVersion, 0, "KR-2 v1.3"}}},
        {"\xf0X\xf7", {{K::Invalid, 0, "unknown message"}}},
        // A message without its end is lost when the next one starts; keys inside a
        // message are not keys.
        {"\xf0V1\x01\xf0R\xf7\x02", {{K::Invalid, 0, "unterminated message"},
            {K::UnitReset, 0, {}}, {K::ChannelDown, 2, {}}}},
        {"\xf0" + QByteArray(100, 'x') + "\xf7\x03",
            {{K::Invalid, 0, "message too long"}, {K::ChannelDown, 3, {}}}},
    };
    // clang-format on
    for (const Row& r : rows) {
        Kr2KeyDecoder whole;
        EXPECT_EQ(whole.feed(r.bytes), r.want) << r.bytes.toHex(' ').toStdString();
        Kr2KeyDecoder split;
        std::vector<Kr2KeyEvent> got;
        for (const char c : r.bytes)
            for (const Kr2KeyEvent& e : split.feed(QByteArray(1, c)))
                got.push_back(e);
        EXPECT_EQ(got, r.want) << "byte by byte: " << r.bytes.toHex(' ').toStdString();
    }
}
