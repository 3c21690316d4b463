// `kalvor-tool play` as an operator runs it: every bad argument is refused with a reason,
// and what it writes is what the engine plays.
#include "cli/PlayCommand.h"
#include "TestMedia.h"
#include "support/KaeRig.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <tuple>

using namespace kalvor;
using namespace kalvor::test;
using testmedia::rampValue;
using namespace Qt::Literals::StringLiterals;

namespace {

QStringList split(const QString& line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

TEST(PlayCommand, BadArgumentsAreRefusedWithTheReason) {
    const QString ramp = rampFile(44100, 2);
    // "RAMP" stands for the ramp's path.
    using Row = std::tuple<const char*, const char*>;
    const Row cases[] = {
        {"-o out.wav", "no sound file given"},
        {"RAMP", "no output file given (-o OUT.wav)"},
        {"RAMP -o", "-o needs a value"},
        {"RAMP -o x.wav --volume 101", "--volume needs a whole number from 0 to 100, not '101'"},
        {"RAMP -o x.wav --volume loud", "--volume needs a whole number from 0 to 100, not 'loud'"},
        {"RAMP -o x.wav --pan -101", "--pan needs a whole number from -100 to 100, not '-101'"},
        {"RAMP -o x.wav --varispeed -95",
         "--varispeed needs a percentage from -90 to 400, not '-95'"},
        {"RAMP -o x.wav --fade-in-curve 4", "--fade-in-curve needs a curve from 1 to 3, not '4'"},
        {"RAMP -o x.wav --fade-out 0", "--fade-out needs a time in ms from 1 to 600000, not '0'"},
        {"RAMP -o x.wav --length 0",
         "--length needs a number of seconds from 0.001 to 86400, not '0'"},
        {"RAMP -o x.wav --start 5 --start-sec 1",
         "give the start either in frames (--start) or in seconds (--start-sec), not both"},
        {"RAMP -o x.wav --length 1 --fade-out 2000",
         "the fade-out (2000 ms) is longer than --length (1 s)"},
        {"RAMP -o x.wav --loud", "unknown option '--loud'"},
        {"/nowhere/gone.wav -o x.wav", "sound file '/nowhere/gone.wav' does not exist"},
    };
    for (const auto& [text, expected] : cases) {
        QString error;
        EXPECT_FALSE(cli::parsePlayOptions(
            split(QString::fromLatin1(text).replace(u"RAMP"_s, ramp)), &error))
            << text;
        EXPECT_EQ(error.toStdString(), expected) << text;
    }
    QStringList tooMany(33, ramp);
    QString error;
    EXPECT_FALSE(cli::parsePlayOptions(tooMany << u"-o"_s << u"x.wav"_s, &error));
    EXPECT_EQ(error, u"33 sound files given; the engine has 32 channels"_s);
}

TEST(PlayCommand, WritesWhatTheEnginePlays) {
    const QString folder = freshFolder(u"play"_s);
    const QString ramp = rampFile(44100, 2);
    // What, arguments, the file's length, the source frame heard first, left and right gain.
    using Row = std::tuple<const char*, QString, std::int64_t, std::int64_t, double, double>;
    const Row cases[] = {
        {"whole file at 0 dB", u"--volume 100"_s, 44100, 0, 1.0, 1.0},
        {"from a start frame, for a length", u"--volume 100 --start 1000 --length 0.5"_s, 22050,
         1000, 1.0, 1.0},
        {"-6 dB, panned left", u"--volume 94 --pan -100 --start-sec 0.5"_s, 22050, 22050,
         std::pow(10.0, -6.0 / 20.0), 0.0},
    };
    for (const auto& [what, line, frames, first, leftGain, rightGain] : cases) {
        SCOPED_TRACE(what);
        const QString out = folder + u"/out.wav"_s;
        QFile::remove(out);
        QStringList args = split(line);
        args << ramp << u"-o"_s << out;
        ASSERT_EQ(cli::runPlay(args), 0);
        const testmedia::WavData wav = testmedia::readWav(out);
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(wav.sampleRate, 44100);
        EXPECT_EQ(wav.channels, 2);
        // Without --length the render stops at the block in which the sound ended.
        EXPECT_GE(wav.frames(), frames);
        EXPECT_LT(wav.frames(), frames + 256);
        for (const std::int64_t f : {std::int64_t(0), std::int64_t(1), frames / 2, frames - 1}) {
            for (int side : {0, 1})
                EXPECT_NEAR(wav.at(f, side),
                            rampValue(first + f, side) * (side ? rightGain : leftGain),
                            1.0 / 32768.0 + 1e-6)
                    << "frame " << f << " side " << side;
        }
    }
}

TEST(PlayCommand, FadeOutEndsInSilenceAtTheEnd) {
    const QString folder = freshFolder(u"playfade"_s);
    const QString tone = testmedia::makeTone(mediaFolder(), u"play_tone"_s,
                                             testmedia::Format::Wav16, 44100, 2, 2.0, 441.0, -6.0);
    const QString out = folder + u"/fade.wav"_s;
    ASSERT_EQ(cli::runPlay(QStringList{tone, u"-o"_s, out} +
                           split(u"--volume 100 --fade-in 400 --fade-out 1000 --float"_s)),
              0);
    const testmedia::WavData wav = testmedia::readWav(out);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.bits, 32);
    const auto rmsDb = [&wav](std::int64_t from) {
        double sum = 0;
        for (std::int64_t f = from; f < from + 100; ++f)
            sum += double(wav.at(f, 0)) * wav.at(f, 0);
        return toDb(std::sqrt(sum / 100) / (0.5 / std::sqrt(2.0)));
    };
    EXPECT_LT(rmsDb(0), -40.0) << "the fade-in starts from silence";
    EXPECT_NEAR(rmsDb(22050), 0.0, 0.1) << "between the fades the tone is at full level";
    EXPECT_NEAR(rmsDb(44100 + 11025 + 200), -20.0 - 0.0, 1.5)
        << "80 % of 100 after the first quarter";
    EXPECT_LT(rmsDb(wav.frames() - 100), -90.0) << "the fade-out ends in silence";
}
