#include "control/serial/ComUser.h"

#include <gtest/gtest.h>

using namespace kalvor;
using K = ComUserActionKind;

namespace {

struct Step {
    QByteArray text;
    std::optional<ComUserAction> action;
    QByteArrayList lines;
    QByteArray buffer;
};

struct Case {
    const char* name;
    bool echo;
    bool ack;
    std::vector<Step> steps; // fed one after another, the buffer carried over
};

const int kPresets = 15;

} // namespace

TEST(ComUser, SequencesGiveActionsLinesAndBuffer) {
    // The pty test covers the common letters, Return and the fifteen-preset cases; these
    // are the corners.
    const std::vector<Case> cases = {
        // clang-format off
        {"zero", false, false, {{"0", {}, {}, "0"}, {"\r", {}, {}, ""}}},
        {"digits arriving together", false, true, {{"73", {}, {"Received: 73 (number for Preset select)"}, "73"}}},
        {"digits then junk is no number", false, false, {{"1A", {}, {}, "1A"}, {"\r", {}, {}, ""}}},
        {"last upper-case letter", false, true, {{"H", ComUserAction{K::PlayLeft, 8}, {"Received: H (start/stop channel 8)"}, ""}}},
        {"lower-case stops", false, true, {{"c", ComUserAction{K::PlayRight, 3}, {"Received: c (stopping channel 3)"}, ""}}},
        {"I is not a channel", false, true, {{"I", {}, {"Received: I (not used!)"}, ""}}},
        {"line feed is not return", false, true, {{"\n", {}, {"Received: \n (not used!)"}, ""}}},
        {"empty read does nothing", true, true, {{"", {}, {}, ""}}},
        {"leading zeros", false, false, {{"007", {}, {}, "007"}, {"\r", ComUserAction{K::RecallPreset, 7}, {}, ""}}},
        {"letters keep the typed number", false, false,
         {{"3", {}, {}, "3"}, {"A", ComUserAction{K::PlayLeft, 1}, {}, "3"}, {"\r", ComUserAction{K::RecallPreset, 3}, {}, ""}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        QByteArray buffer;
        for (const auto& s : c.steps) {
            const auto r = comUser(s.text, buffer, {c.echo, c.ack, kPresets});
            EXPECT_EQ(r.action, s.action) << c.name << " at " << s.text.toStdString();
            EXPECT_EQ(r.lines, s.lines) << c.name << " at " << s.text.toStdString();
            EXPECT_EQ(r.buffer, s.buffer) << c.name << " at " << s.text.toStdString();
            buffer = r.buffer;
        }
    }
}

// A long run of digits may not grow the buffer without bound or select a preset that does
// not exist.
TEST(ComUser, LongDigitRunsStayBounded) {
    QByteArray buffer;
    for (int i = 0; i < 10000; ++i)
        buffer = comUser("9", buffer, {false, false, kPresets}).buffer;
    EXPECT_LE(buffer.size(), kComUserBufferLimit);
    EXPECT_FALSE(comUser("\r", buffer, {false, false, kPresets}).action.has_value());
}
