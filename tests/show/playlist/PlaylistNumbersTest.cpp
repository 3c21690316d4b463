// Numbers in playlist lines: the lenient reading of the old formats, the strict reading
// of the new ones, and floats that must come back bit for bit.
#include "show/playlist/PlaylistNumbers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>

using namespace kalvor::playlist;

namespace {

// The fault number thrown, or nullopt with the value.
template <typename F> std::pair<std::optional<int>, decltype(std::declval<F>()())> attempt(F f) {
    try {
        return {std::nullopt, f()};
    } catch (const ReadFault& fault) {
        return {fault.number, {}};
    }
}

} // namespace

TEST(PlaylistNumbers, OldFormatsTakeTheLeadingNumberAndZeroForAnythingElse) {
    const struct {
        const char* line;
        std::int64_t value;
    } cases[] = {
        {"42", 42},
        {"  -7", -7},
        {"+3", 3},
        {"12abc", 12},
        {"3.9", 3},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"\t5 dB", 5},
        {"1 2", 1},
        {"99999999999999999999999", std::int64_t{1} << 62},
    };
    for (const auto& c : cases)
        EXPECT_EQ(leadingInteger(c.line), c.value) << c.line;
}

TEST(PlaylistNumbers, NewFormatsConvertTheWholeLineOrFail) {
    const struct {
        const char* line;
        std::optional<int> fault;
        std::int64_t value;
    } cases[] = {
        {"42", {}, 42},
        {" -7 ", {}, -7},
        {"2.5", {}, 2}, // half to even
        {"3,5", {}, 4},
        {"2.51", {}, 3},
        {"-0", {}, 0},
        {"", errnum::TypeMismatch, 0},
        {"12abc", errnum::TypeMismatch, 0},
        {"True", errnum::TypeMismatch, 0},
        {"1e3", errnum::TypeMismatch, 0},
        {"99999999999999999999", errnum::Overflow, 0},
    };
    for (const auto& c : cases) {
        const auto [fault, value] = attempt([&] { return fullInteger(c.line); });
        EXPECT_EQ(fault, c.fault) << c.line;
        if (!c.fault) {
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
}

TEST(PlaylistNumbers, ValuesThatDoNotFitTheirFieldOverflow) {
    const struct {
        const char* line;
        NumberRule rule;
        bool fitsByte;
        bool fitsShort;
        bool fitsInt;
    } cases[] = {
        {"255", NumberRule::Full, true, true, true},
        {"256", NumberRule::Full, false, true, true},
        {"-1", NumberRule::Full, false, true, true},
        {"300 dB", NumberRule::Leading, false, true, true},
        {"32768", NumberRule::Full, false, false, true},
        {"-2147483648", NumberRule::Full, false, false, true},
        {"2147483648", NumberRule::Leading, false, false, false},
    };
    for (const auto& c : cases) {
        const auto byte = attempt([&] { return readNumber<std::uint8_t>(c.line, c.rule); });
        const auto shrt = attempt([&] { return readNumber<std::int16_t>(c.line, c.rule); });
        const auto full = attempt([&] { return readNumber<std::int32_t>(c.line, c.rule); });
        EXPECT_EQ(byte.first.has_value(), !c.fitsByte) << c.line;
        EXPECT_EQ(shrt.first.has_value(), !c.fitsShort) << c.line;
        EXPECT_EQ(full.first.has_value(), !c.fitsInt) << c.line;
        if (byte.first) {
            EXPECT_EQ(*byte.first, errnum::Overflow) << c.line;
        }
    }
}

TEST(PlaylistNumbers, FloatsReadWithCommaOrPointAndRejectWhatNoWriterProduces) {
    const struct {
        const char* line;
        std::optional<int> fault;
        float value;
    } cases[] = {
        {"0.5", {}, 0.5f},
        {"0,5", {}, 0.5f},
        {"-12,25", {}, -12.25f},
        {" 7 ", {}, 7.0f},
        {"1e+10", {}, 1e10f},
        {"+2", {}, 2.0f},
        {"1e-50", {}, 0.0f},
        {"-0", {}, -0.0f},
        {"inf", errnum::TypeMismatch, 0},
        {"nan", errnum::TypeMismatch, 0},
        {"", errnum::TypeMismatch, 0},
        {"1.5.2", errnum::TypeMismatch, 0},
        {"1,000.5", errnum::TypeMismatch, 0},
        {"0x10", errnum::TypeMismatch, 0},
        {"1e39", errnum::Overflow, 0},
    };
    for (const auto& c : cases) {
        const auto [fault, value] = attempt([&] { return fullFloat(c.line); });
        EXPECT_EQ(fault, c.fault) << c.line;
        if (!c.fault) {
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
}

TEST(PlaylistNumbers, EveryFiniteFloatComesBackBitForBit) {
    std::mt19937 rng(17);
    int checked = 0;
    for (int i = 0; i < 300000; ++i) {
        const auto bits = static_cast<std::uint32_t>(rng());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (!std::isfinite(f))
            continue;
        QByteArray text;
        appendFloat(text, f);
        const float back = fullFloat(text);
        std::uint32_t backBits;
        std::memcpy(&backBits, &back, sizeof back);
        ASSERT_EQ(backBits, bits) << text.constData();
        // The German separator reads the same.
        ASSERT_EQ(fullFloat(QByteArray(text).replace('.', ',')), back) << text.constData();
        ++checked;
    }
    EXPECT_GT(checked, 290000);
    QByteArray odd;
    appendFloat(odd, std::numeric_limits<float>::infinity());
    EXPECT_EQ(odd, "0") << "a value no file can hold is written as 0, never as \"inf\"";
}

TEST(PlaylistNumbers, BooleansAcceptTheFlagsTheWordsAndAnyNumber) {
    const struct {
        const char* line;
        NumberRule rule;
        std::optional<int> fault;
        bool value;
    } cases[] = {
        {"-1", NumberRule::Full, {}, true},
        {"0", NumberRule::Full, {}, false},
        {"True", NumberRule::Full, {}, true},
        {"false", NumberRule::Full, {}, false},
        {" TRUE ", NumberRule::Leading, {}, true},
        {"1", NumberRule::Full, {}, true},
        {"yes", NumberRule::Full, errnum::TypeMismatch, false},
        {"yes", NumberRule::Leading, {}, false},
        {"-1 (on)", NumberRule::Leading, {}, true},
    };
    for (const auto& c : cases) {
        const auto [fault, value] = attempt([&] { return readBoolean(c.line, c.rule); });
        EXPECT_EQ(fault, c.fault) << c.line;
        if (!c.fault) {
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
}
