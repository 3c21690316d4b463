// Files of every older format: each line lands in its field, dropped lines leave their
// defaults, channels a version does not carry keep the cleared values, and the sections
// after the sound lists (layout, link, GPIO) are read where the version has them. Numbers
// in the lines: the lenient reading of the old formats, the strict reading of the new
// ones, and floats that must come back bit for bit.
#include "support/PlaylistFixtures.h"

#include "show/playlist/PlaylistDocument.h"
#include "show/playlist/PlaylistNumbers.h"

#include <QMap>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <tuple>

using namespace kalvor;
using namespace kalvor::playlist;
using namespace Qt::StringLiterals;

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

TEST(PlaylistFormats, EveryLineOfEveryVersionLandsInItsField) {
    using Row = std::tuple<int, int, int, bool>;
    const Row versions[] = {
        {2, 12, 8, false},  {3, 14, 8, false},  {4, 15, 8, false},  {5, 16, 8, false},
        {6, 18, 8, false},  {7, 19, 8, false},  {8, 19, 8, false},  {9, 21, 8, false},
        {10, 22, 8, false}, {11, 22, 8, true},  {12, 22, 32, true}, {13, 23, 32, true},
        {14, 74, 32, true}, {15, 75, 32, true}, {16, 76, 32, true}, {17, 76, 32, true},
    };
    const Preset cleared;
    const QMap<QString, QString> oldDefaults{
        {u"Volume"_s, u"94"_s}, {u"Pan"_s, u"0"_s}, {u"VariSpeed"_s, u"0"_s}};
    for (const auto& [version, linesPerChannel, channels, textPositions] : versions) {
        SCOPED_TRACE(version);
        const QStringList names = test::lineNamesOfVersion(version);
        ASSERT_EQ(names.size(), linesPerChannel);
        test::FixtureOptions o;
        o.presets = 2;
        o.tail = test::standardTail(version);
        const auto result = readPlaylist(test::fixtureFile(version, o), {.readGpioBlock = true});
        ASSERT_EQ(result.status, ReadStatus::Complete)
            << "error " << result.errorNumber << " at line " << result.errorLine;
        EXPECT_EQ(result.document.format, version);
        ASSERT_EQ(result.document.presets.size(), 2u);
        for (int p = 0; p < 2; ++p) {
            const Preset& preset = result.document.presets[static_cast<std::size_t>(p)];
            EXPECT_EQ(preset.name, u"Preset %1"_s.arg(p + 1));
            EXPECT_EQ(preset.textReaderPosition, textPositions ? p * 10 + 1 : -1);
            EXPECT_EQ(preset.remoteTextPosition, textPositions ? p * 10 + 2 : -1);
            for (int ch = 0; ch < kChannelCount; ++ch) {
                const PresetChannel& got = preset.channels[static_cast<std::size_t>(ch)];
                const PresetChannel& none = cleared.channels[static_cast<std::size_t>(ch)];
                QStringList carried;
                for (int k = 0; k < names.size(); ++k) {
                    const QString& name = names[k];
                    if (name.startsWith(QLatin1Char('-')))
                        continue;
                    carried << name;
                    const QString expected = ch < channels ? test::fixtureValue(name, p, ch, k)
                                                           : test::fieldText(none, name);
                    EXPECT_EQ(test::fieldText(got, name), expected)
                        << "preset " << p + 1 << " channel " << ch + 1 << " " << qPrintable(name);
                }
                // Dropped lines with a default store it; everything else the version does
                // not carry keeps the cleared value.
                for (const QString& field : test::format17LineNames()) {
                    if (carried.contains(field))
                        continue;
                    const QString old = version <= 13 && ch < channels
                                            ? oldDefaults.value(field, test::fieldText(none, field))
                                            : test::fieldText(none, field);
                    EXPECT_EQ(test::fieldText(got, field), old)
                        << "channel " << ch + 1 << " " << qPrintable(field) << " is not in format "
                        << version;
                }
            }
        }
    }
}

TEST(PlaylistFormats, HeadersAreMatchedFromSeventeenDownAndNothingElse) {
    using Row = std::tuple<const char*, int>;
    const Row cases[] = {
        {"Fileformat 17", 17}, {"Fileformat 2", 2},  {"Fileformat 13 ", 13},
        {"Fileformat 1", 1},   {"Fileformat 18", 1}, {"Fileformat 017", 1},
        {"fileformat 17", 1},  {"Fileformat", 1},    {"", 1},
        {"Fileformat 3", 3},
    };
    for (const auto& [line, format] : cases)
        EXPECT_EQ(formatOfHeader(line), format) << line;
}

TEST(PlaylistFormats, OldFormatsReadLeadingNumbersNewOnesConvertFully) {
    // The same odd MIDI note line in a version 13 and a version 17 file.
    using Row = std::tuple<int, const char*, ReadStatus, int, int>;
    const Row cases[] = {
        // Each rule in full is PlaylistNumbers'; here each version takes its own.
        {13, "42 (C2)", ReadStatus::Complete, 0, 42},
        {13, "300", ReadStatus::RuntimeError, errnum::Overflow, 0},
        {17, "42 (C2)", ReadStatus::RuntimeError, errnum::TypeMismatch, 0},
    };
    for (const auto& [version, note, status, errorNumber, value] : cases) {
        test::FixtureOptions o;
        o.tail = test::standardTail(version);
        QByteArray file = test::fixtureFile(version, o);
        // MidiInNote of channel 1 of preset 1 is the first line with its fixture value.
        const int k = static_cast<int>(test::lineNamesOfVersion(version).indexOf(u"MidiInNote"_s));
        const QByteArray original =
            "\r\n" + test::fixtureValue(u"MidiInNote"_s, 0, 0, k).toUtf8() + "\r\n";
        const qsizetype at = file.indexOf(original);
        ASSERT_GT(at, 0);
        file.replace(at, original.size(), "\r\n" + QByteArray(note) + "\r\n");
        const auto r = readPlaylist(file);
        EXPECT_EQ(std::tuple(r.status, r.errorNumber, r.errorStage),
                  std::tuple(status, errorNumber,
                             status == ReadStatus::Complete ? r.errorStage : ReadStage::Presets))
            << version << " " << note;
        EXPECT_TRUE(status != ReadStatus::Complete ||
                    r.document.presets.at(0).channels[0].midiInNote == value)
            << version << " " << note;
    }
}

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
