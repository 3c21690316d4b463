// Rates far apart: a low-rate file (telephone, 8 or 11.025 kHz) on a device at 96 or
// 192 kHz, slowed by vari-speed, needs a conversion ratio of 20 to 50. The sound must
// still play at the speed asked for: the tone at its pitch, the position at its place.
#include "TestMedia.h"
#include "support/OfflineHarness.h"
#include "support/SineFit.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

TEST(AudioLibExtremeRatio, aLowRateFileOnAFastDevicePlaysAtTheSpeedAsked) {
    constexpr double kToneHz = 300;
    constexpr double kSeconds = 0.5;
    // file rate, device rate, playback frequency (file rate x vari-speed)
    using Row = std::tuple<int, int, int>;
    const Row rows[] = {
        {44100, 48000, 22050}, // well inside the range: the comparison's yardstick
        {8000, 96000, 8000},   // 12
        {8000, 192000, 8000},  // 24
        {8000, 96000, 4000},   // 24: -50 %
        {11025, 192000, 5513}, // 34.8
        {8000, 192000, 4000},  // 48
    };
    for (const auto& [fileRate, deviceRate, freq] : rows) {
        SCOPED_TRACE(testing::Message() << fileRate << " Hz file at " << freq << " Hz on a "
                                        << deviceRate << " Hz device");
        const QString tone =
            testmedia::makeTone(mediaFolder(), u"low%1.wav"_s.arg(fileRate),
                                testmedia::Format::Wav16, fileRate, 1, kSeconds, kToneHz, -6);
        Offline off(deviceRate);
        const Handle h = off.lib->streamCreateFile(tone, 0);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, freq, -1, -101));
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        const double speed = double(freq) / fileRate;
        // A tenth of the sound's playing time, past the converter's start.
        const auto span = static_cast<std::int64_t>(kSeconds / speed * deviceRate / 10);
        off.render(span);
        const Render heard = off.render(span);
        const double cycles = kToneHz * speed / deviceRate;
        EXPECT_LT(kalvor::test::thdPlusNoiseDb(heard.samples.data(), std::size_t(heard.frames()), 2,
                                               cycles),
                  -30.0);
        const double expectedFrame = 2.0 * double(span) * freq / deviceRate;
        const double frame = double(off.lib->channelGetPosition(h)) / 2; // mono, 16-bit
        EXPECT_NEAR(frame, expectedFrame, 0.02 * expectedFrame);
    }
}

} // namespace
} // namespace kalvor::audio::test
