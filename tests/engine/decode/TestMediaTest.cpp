// The test-media library that every engine test builds on: WAV files it writes read back
// sample-exactly, and a click lands on the frame asked for.
#include "TestMedia.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace media = kalvor::testmedia;
using media::Format;

namespace {

TEST(TestMedia, wavFilesReadBackExactlyInEverySampleFormat) {
    const QString folder = kalvor::test::freshFolder(QStringLiteral("media-wav"));
    const struct {
        Format format;
        int bits;
    } cases[] = {
        {Format::Wav16, 16}, {Format::Wav24, 24}, {Format::Wav32, 32}, {Format::WavFloat, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        const QString path =
            media::makeRamp(folder, QStringLiteral("ramp%1-%2").arg(c.bits).arg(int(c.format)),
                            c.format, 44100, 3, 70000);
        const media::WavData wav = media::readWav(path);
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(wav.sampleRate, 44100);
        EXPECT_EQ(wav.channels, 3);
        EXPECT_EQ(wav.bits, c.bits);
        ASSERT_EQ(wav.frames(), 70000);
        int wrong = 0;
        for (std::int64_t f = 0; f < wav.frames(); ++f)
            for (int ch = 0; ch < 3; ++ch)
                wrong += wav.at(f, ch) != media::rampValue(f, ch);
        EXPECT_EQ(wrong, 0);
    }
    const media::WavData click =
        media::readWav(media::makeClick(folder, "click", Format::Wav16, 48000, 2, 1000, 777, -6));
    ASSERT_TRUE(click.ok);
    for (std::int64_t f = 0; f < click.frames(); ++f)
        EXPECT_EQ(click.at(f, 1) != 0.0f, f == 777) << f;
    EXPECT_NEAR(click.at(777, 0), 0.501f, 0.001f);
    EXPECT_FALSE(media::readWav(folder + "/missing.wav").ok);
}

} // namespace
