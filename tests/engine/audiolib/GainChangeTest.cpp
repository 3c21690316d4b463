// Volume, pan and their curves changed while a sound plays: the mixer keeps the gains it
// worked out until one of them changes, so each change must reach the samples.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

TEST(AudioLibGainChange, EachChangeReachesTheSamples) {
    // Playing at volume 94 (-6 dB), pan -20 (right -20 dB), both curves logarithmic.
    // what, volume (-1: unchanged), pan (-101: unchanged), volume and pan curves (-1:
    // unchanged, else 1 logarithmic, 0 linear), then the levels heard left and right in dB
    using Change = std::tuple<const char*, int, int, int, int, double, double>;
    const Change changes[] = {
        {"volume", 80, -101, -1, -1, -20, -40},
        {"pan", -1, 10, -1, -1, -16, -6},
        {"pan to the centre", -1, 0, -1, -1, -6, -6},
        {"volume curve", -1, -101, 0, -1, toDb(0.94), toDb(0.94) - 20},
        {"pan curve", -1, -101, -1, 0, -6, -6 + toDb(0.8)},
        {"both curves", -1, -101, 0, 0, toDb(0.94), toDb(0.94 * 0.8)},
    };
    std::vector<float> samples(2 * 16384, 0.5f);
    const QString file = testmedia::makeSound(mediaFolder(), u"steady"_s,
                                              testmedia::Format::WavFloat, 44100, 2, samples);
    for (const auto& [what, volume, pan, volumeCurve, panCurve, leftDb, rightDb] : changes) {
        SCOPED_TRACE(what);
        Offline off;
        const Handle h = off.lib->streamCreateFile(file, flags::Float);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, -1, 94, -20));
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        const Render before = off.render(2048);
        EXPECT_NEAR(toDb(before.at(2000, 0) / 0.5), -6, 0.05);
        EXPECT_NEAR(toDb(before.at(2000, 1) / 0.5), -26, 0.05);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, -1, volume, pan));
        if (volumeCurve >= 0)
            off.lib->setConfig(ConfigOption::VolumeCurve, volumeCurve);
        if (panCurve >= 0)
            off.lib->setConfig(ConfigOption::PanCurve, panCurve);
        // Past the glide of a volume set.
        const Render after = off.render(4096);
        EXPECT_NEAR(toDb(after.at(4000, 0) / 0.5), leftDb, 0.05);
        EXPECT_NEAR(toDb(after.at(4000, 1) / 0.5), rightDb, 0.05);
    }
}

} // namespace
} // namespace kalvor::audio::test
