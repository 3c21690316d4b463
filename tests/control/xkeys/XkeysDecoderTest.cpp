// The keypads' report bytes, model by model: which keys each report presses and releases.
#include "control/xkeys/XkeysDecoder.h"
#include "control/xkeys/XkeysReports.h"

#include <gtest/gtest.h>

using namespace kalvor::xkeys;

namespace {

struct Bits {
    int byte;
    std::uint8_t mask;
};

std::vector<std::uint8_t> report(std::size_t size, std::initializer_list<Bits> set,
                                 bool keyReport = true) {
    std::vector<std::uint8_t> r(size, 0);
    if (keyReport && size > 3)
        r[3] = 0x7A; // what the large keypads put in byte 3 of a key report
    for (const Bits& b : set)
        r[static_cast<std::size_t>(b.byte)] |= b.mask;
    return r;
}

KeyEvent down(Block b, int k) {
    return {b, k, true};
}
KeyEvent up(Block b, int k) {
    return {b, k, false};
}

struct DecodeCase {
    const char* label;
    std::uint16_t product;
    Layout layout;
    std::vector<std::vector<std::uint8_t>> reports; // fed in turn
    std::vector<KeyEvent> events;                   // of all reports together
    ReportCheck lastCheck = ReportCheck::Keys;
};

} // namespace

TEST(XkeysDecoder, ReportsGiveEachKeyOncePerPressAndRelease) {
    constexpr auto C = Block::Channel;
    constexpr auto F = Block::Function;
    constexpr auto K = Block::Control;
    constexpr auto S = Block::Special;
    const auto std = Layout::Standard;
    // clang-format off
    const DecodeCase cases[] = {
        {"128: channel key 3 held over three reports, then let go", 0x0306, std,
         {report(20, {{10, 0x01}}), report(20, {{10, 0x01}}), report(20, {{10, 0x01}}), report(20, {})},
         {down(C, 3), up(C, 3)}},
        {"128: byte 3 other than 7A changes nothing", 0x0306, std,
         {report(20, {{10, 0x01}}, false)}, {}, ReportCheck::NotKeys},
        {"128: two keys in one report fire in ascending order", 0x0306, std,
         {report(20, {{6, 0x02}, {8, 0x01}})}, {down(C, 2), down(C, 5)}},
        {"128: function keys 1 and 64 (shift)", 0x0306, std,
         {report(20, {{12, 0x01}, {19, 0x80}})}, {down(F, 1), down(F, 64)}},
        {"128: channel keys come before function keys", 0x0306, std,
         {report(20, {{12, 0x01}, {4, 0x80}})}, {down(C, 28), down(F, 1)}},
        {"128: a short report is ignored", 0x0306, std,
         {report(12, {{10, 0x01}})}, {}, ReportCheck::Short},
        {"128: a long report reads as its key bytes say", 0x0306, std,
         {report(64, {{10, 0x01}, {40, 0xFF}})}, {down(C, 3)}},
        {"84: channel key 27 and function key 56", 0x0309, std,
         {report(16, {{7, 0x40}, {15, 0x40}})}, {down(C, 27), down(F, 56)}},
        {"84: bit 7 is no key", 0x0309, std, {report(16, {{4, 0x80}, {8, 0x80}})}, {}},
        {"XK-24: grid key 6, key 20 and special key 2", 0x0403, std,
         {report(7, {{5, 0x02}, {3, 0x20}, {6, 0x20}}, false)}, {down(C, 6), down(C, 20), down(S, 2)}},
        {"Professional standard: keys 3, 12, 31; control keys 1 and 18", 0x0291, std,
         {report(10, {{7, 0x04}, {5, 0x10}, {8, 0x40}, {1, 0x01}, {9, 0x02}}, false)},
         {down(C, 3), down(C, 12), down(C, 31), down(K, 1), down(K, 18)}},
        {"Professional standard: control keys 9 and 10 sit in bytes 9 and 1", 0x02A7, std,
         {report(10, {{9, 0x01}, {1, 0x02}}, false)}, {down(K, 9), down(K, 10)}},
        {"Professional vertical groups: the second group's keys 8 to 11", 0x0291, Layout::VerticalGroups,
         {report(10, {{3, 0x0C}, {3, 0x10}, {4, 0x10}}, false)},
         {down(C, 8), down(C, 9), down(C, 10), down(C, 11)}},
        {"Professional vertical groups: a group's top key is bit 2 of its left byte", 0x0291,
         Layout::VerticalGroups, {report(10, {{3, 0x04}}, false)}, {down(C, 8)}},
        {"Stick: keys 0 and 15", 0x0271, std,
         {report(5, {{1, 0x01}, {4, 0x08}}, false), report(5, {}, false)},
         {down(C, 0), down(C, 15), up(C, 0), up(C, 15)}},
    };
    // clang-format on
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.label);
        const auto model = findModel(c.product);
        ASSERT_TRUE(model);
        KeyState state;
        std::vector<KeyEvent> events;
        ReportCheck check = ReportCheck::Keys;
        for (const auto& r : c.reports) {
            const Decoded d = decodeReport(*model, c.layout, state, r);
            state = d.state;
            check = d.check;
            events.insert(events.end(), d.events.begin(), d.events.end());
        }
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(check, c.lastCheck);
    }
}

TEST(XkeysReports, LedReportsPerModel) {
    struct Case {
        const char* label;
        std::uint16_t product;
        std::vector<Report> reports;
        std::vector<Report> expected;
    };
    const bool playing[14] = {true,  false, false, false, false, false, false,
                              false, false, true,  false, false, false, true};
    const StickLeds leds = stickLedsFor(playing, 14);
    // clang-format off
    const Case cases[] = {
        {"84 at opening: backlight, then its second report", 0x0309, openingReports(*findModel(0x0309), {}),
         {{0x00, 0x89, 0x89, 0, 0, 0, 0, 0, 0x12}, {0x00, 0x96, 0x04, 0, 0, 0, 0, 0, 0}}},
        {"Stick 0271 with channels 1, 10 and 14 playing", 0x0271,
         stickLedReports(*findModel(0x0271), leds), {{0, 0, 0, 0, 0, 0x01, 0x22 + 0xC0, 0, 0x60}}},
        {"Stick 02B5 dark at closing", 0x02B5, ledsOffReports(*findModel(0x02B5)),
         {{0x02, 0xBB, 0, 0, 0, 0x60, 0xC0, 0x00}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.reports, c.expected);
    }
}
