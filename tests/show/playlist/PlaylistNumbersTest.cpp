// Numbers in playlist lines: the lenient reading of the old formats, the strict reading
// of the new ones, and floats that must come back bit for bit.
#include "show/playlist/PlaylistNumbers.h"

#include <gtest/gtest.h>

#include <tuple>

#include <cstring>
#include <sstream>

using namespace kalvor::playlist;

namespace {

// What a reading gives: the value as text, or the name of the fault thrown.
template <typename F> std::string outcome(F f) {
    try {
        std::ostringstream text;
        text << +f();
        return text.str();
    } catch (const ReadFault& fault) {
        return fault.number == errnum::Overflow       ? "overflow"
               : fault.number == errnum::TypeMismatch ? "mismatch"
                                                      : "fault";
    }
}

} // namespace

// `fits` names the fields that take the value: b byte, s 16 bits, i 32 bits; the others
// overflow. A line that is no number fails the same way in every field.
TEST(PlaylistNumbers, IntegersFollowTheirRuleAndOverflowTheFieldsTheyDoNotFit) {
    constexpr NumberRule L = NumberRule::Leading, F = NumberRule::Full;
    using Row = std::tuple<const char*, NumberRule, const char*, const char*>;
    const Row cases[] = {
        {"42", L, "42", "bsi"},      {"  -7", L, "-7", "si"},
        {"+3", L, "3", "bsi"},       {"12abc", L, "12", "bsi"},
        {"3.9", L, "3", "bsi"},      {"", L, "0", "bsi"},
        {"abc", L, "0", "bsi"},      {"-", L, "0", "bsi"},
        {"\t5 dB", L, "5", "bsi"},   {"1 2", L, "1", "bsi"},
        {"300 dB", L, "300", "si"},  {"2147483648", L, "2147483648", ""},
        {" -7 ", F, "-7", "si"},     {"2.5", F, "2", "bsi"},
        {"3,5", F, "4", "bsi"},      {"2.51", F, "3", "bsi"},
        {"-0", F, "0", "bsi"},       {"255", F, "255", "bsi"},
        {"256", F, "256", "si"},     {"32768", F, "32768", "i"},
        {"", F, "mismatch", ""},     {"12abc", F, "mismatch", ""},
        {"True", F, "mismatch", ""}, {"-2147483648", F, "-2147483648", "i"},
        {"1e3", F, "mismatch", ""},
    };
    for (const auto& [line, rule, value, fits] : cases) {
        const auto read = [&] {
            return rule == L ? leadingInteger(line) : fullInteger(line);
        };
        EXPECT_EQ(outcome(read), value) << line;
        const bool number = std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '-';
        const auto expected = [&](char width) {
            return !number || std::strchr(fits, width) ? std::string(value) : "overflow";
        };
        const std::string widths =
            outcome([&] { return readNumber<std::uint8_t>(line, rule); }) + " " +
            outcome([&] { return readNumber<std::int16_t>(line, rule); }) + " " +
            outcome([&] { return readNumber<std::int32_t>(line, rule); });
        EXPECT_EQ(widths, expected('b') + " " + expected('s') + " " + expected('i')) << line;
    }
    // Far beyond 64 bits: the old formats saturate (so a range check still fails), the new
    // ones overflow.
    EXPECT_EQ(leadingInteger("99999999999999999999999"), std::int64_t{1} << 62);
    EXPECT_EQ(outcome([] { return fullInteger("99999999999999999999"); }), "overflow");
}

TEST(PlaylistNumbers, FloatsAndBooleansReadWhatTheWritersProduceAndNothingElse) {
    constexpr NumberRule L = NumberRule::Leading, F = NumberRule::Full;
    using FloatRow = std::tuple<const char*, const char*>;
    const FloatRow floats[] = {
        {"0.5", "0.5"},          {"0,5", "0.5"},       {"-12,25", "-12.25"}, {" 7 ", "7"},
        {"1e+10", "1e+10"},      {"+2", "2"},          {"1e-50", "0"},       {"-0", "-0"},
        {"inf", "mismatch"},     {"nan", "mismatch"},  {"", "mismatch"},     {"1.5.2", "mismatch"},
        {"1,000.5", "mismatch"}, {"0x10", "mismatch"}, {"1e39", "overflow"},
    };
    for (const auto& [line, value] : floats)
        EXPECT_EQ(outcome([&] { return fullFloat(line); }), value) << line;
    QByteArray odd;
    appendFloat(odd, std::numeric_limits<float>::infinity());
    EXPECT_EQ(odd, "0") << "a value no file can hold is written as 0, never as \"inf\"";
    using Row = std::tuple<const char*, NumberRule, const char*>;
    const Row booleans[] = {
        {"-1", F, "1"},    {"0", F, "0"},       {"True", F, "1"},
        {"false", F, "0"}, {" TRUE ", L, "1"},  {"1", F, "1"},
        {"yes", L, "0"},   {"-1 (on)", L, "1"}, {"yes", F, "mismatch"},
    };
    for (const auto& [line, rule, value] : booleans)
        EXPECT_EQ(outcome([&] { return readBoolean(line, rule); }), value) << line;
}
