// `kalvor-tool play` as an operator runs it: every bad argument is refused with a reason,
// and what it writes is what the engine plays.
#include "cli/PlayCommand.h"
#include "TestMedia.h"
#include "support/KaeRig.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using testmedia::rampValue;

namespace {

QString playRamp() {
    const QString path = mediaFolder() + QStringLiteral("/play_ramp.wav");
    if (QFile::exists(path))
        return path;
    return testmedia::makeRamp(mediaFolder(), QStringLiteral("play_ramp.wav"),
                               testmedia::Format::Wav16, 44100, 2, 44100);
}

QStringList split(const QString& line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

TEST(PlayCommand, BadArgumentsAreRefusedWithTheReason) {
    const QString ramp = playRamp();
    const struct {
        QString args;
        const char* error;
    } cases[] = {
        {QStringLiteral("-o out.wav"), "no sound file given"},
        {ramp, "no output file given (-o OUT.wav)"},
        {ramp + QStringLiteral(" -o"), "-o needs a value"},
        {ramp + QStringLiteral(" -o x.wav --volume 101"),
         "--volume needs a whole number from 0 to 100, not '101'"},
        {ramp + QStringLiteral(" -o x.wav --volume loud"),
         "--volume needs a whole number from 0 to 100, not 'loud'"},
        {ramp + QStringLiteral(" -o x.wav --pan -101"),
         "--pan needs a whole number from -100 to 100, not '-101'"},
        {ramp + QStringLiteral(" -o x.wav --varispeed -95"),
         "--varispeed needs a percentage from -90 to 400, not '-95'"},
        {ramp + QStringLiteral(" -o x.wav --fade-in-curve 4"),
         "--fade-in-curve needs a curve from 1 to 3, not '4'"},
        {ramp + QStringLiteral(" -o x.wav --fade-out 0"),
         "--fade-out needs a time in ms from 1 to 600000, not '0'"},
        {ramp + QStringLiteral(" -o x.wav --length 0"),
         "--length needs a number of seconds from 0.001 to 86400, not '0'"},
        {ramp + QStringLiteral(" -o x.wav --start 5 --start-sec 1"),
         "give the start either in frames (--start) or in seconds (--start-sec), not both"},
        {ramp + QStringLiteral(" -o x.wav --length 1 --fade-out 2000"),
         "the fade-out (2000 ms) is longer than --length (1 s)"},
        {ramp + QStringLiteral(" -o x.wav --loud"), "unknown option '--loud'"},
        {QStringLiteral("/nowhere/gone.wav -o x.wav"),
         "sound file '/nowhere/gone.wav' does not exist"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(cli::parsePlayOptions(split(c.args), &error)) << c.args.toStdString();
        EXPECT_EQ(error.toStdString(), c.error) << c.args.toStdString();
    }
    QStringList tooMany;
    for (int i = 0; i < 33; ++i)
        tooMany << ramp;
    QString error;
    EXPECT_FALSE(
        cli::parsePlayOptions(tooMany << QStringLiteral("-o") << QStringLiteral("x.wav"), &error));
    EXPECT_EQ(error, QStringLiteral("33 sound files given; the engine has 32 channels"));
}

TEST(PlayCommand, WritesWhatTheEnginePlays) {
    const QString folder = freshFolder(QStringLiteral("play"));
    const QString ramp = playRamp();
    const struct {
        const char* what;
        QString args;
        std::int64_t frames; // expected length of the file
        std::int64_t first;  // the source frame heard first
        double leftGain, rightGain;
    } cases[] = {
        {"whole file at 0 dB", QStringLiteral("--volume 100"), 44100, 0, 1.0, 1.0},
        {"from a start frame, for a length",
         QStringLiteral("--volume 100 --start 1000 --length 0.5"), 22050, 1000, 1.0, 1.0},
        {"-6 dB, panned left", QStringLiteral("--volume 94 --pan -100 --start-sec 0.5"), 22050,
         22050, std::pow(10.0, -6.0 / 20.0), 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString out = folder + QStringLiteral("/out.wav");
        QFile::remove(out);
        QStringList args = split(c.args);
        args << ramp << QStringLiteral("-o") << out;
        ASSERT_EQ(cli::runPlay(args), 0);
        const testmedia::WavData wav = testmedia::readWav(out);
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(wav.sampleRate, 44100);
        EXPECT_EQ(wav.channels, 2);
        // Without --length the render stops at the block in which the sound ended.
        EXPECT_GE(wav.frames(), c.frames);
        EXPECT_LT(wav.frames(), c.frames + 256);
        for (const std::int64_t f :
             {std::int64_t(0), std::int64_t(1), c.frames / 2, c.frames - 1}) {
            EXPECT_NEAR(wav.at(f, 0), rampValue(c.first + f, 0) * c.leftGain, 1.0 / 32768.0 + 1e-6)
                << "frame " << f;
            EXPECT_NEAR(wav.at(f, 1), rampValue(c.first + f, 1) * c.rightGain, 1.0 / 32768.0 + 1e-6)
                << "frame " << f;
        }
    }
}

TEST(PlayCommand, FadeOutEndsInSilenceAtTheEnd) {
    const QString folder = freshFolder(QStringLiteral("playfade"));
    const QString tone = testmedia::makeTone(mediaFolder(), QStringLiteral("play_tone"),
                                             testmedia::Format::Wav16, 44100, 2, 2.0, 441.0, -6.0);
    const QString out = folder + QStringLiteral("/fade.wav");
    ASSERT_EQ(cli::runPlay({tone, QStringLiteral("-o"), out, QStringLiteral("--volume"),
                            QStringLiteral("100"), QStringLiteral("--fade-in"),
                            QStringLiteral("400"), QStringLiteral("--fade-out"),
                            QStringLiteral("1000"), QStringLiteral("--float")}),
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
