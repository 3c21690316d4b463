// Changes made while a sound is heard glide over a few milliseconds instead of stepping
// the output: a step in a steady tone is a click the audience hears.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

enum class Change { Volume, Pan, Free };

TEST(AudioLibChangeWhileHeard, GlidesInsteadOfStepping) {
    // what, channels of the sound, the change, its value; then the level of each side
    // afterwards relative to before (0: silent).
    using Row = std::tuple<const char*, int, Change, int, double, double>;
    const Row rows[] = {
        {"volume down", 2, Change::Volume, 60, 0.01, 0.01},
        {"pan hard left", 2, Change::Pan, -100, 1, 1e-5},
        {"pan hard right, mono sound", 1, Change::Pan, 100, 1e-5, 1},
        {"freed while playing (moved to another output)", 2, Change::Free, 0, 0, 0},
    };
    for (const auto& [what, channels, change, value, leftAfter, rightAfter] : rows) {
        SCOPED_TRACE(what);
        std::vector<float> samples(std::size_t(channels) * 16384, 0.5f);
        const QString file =
            testmedia::makeSound(mediaFolder(), u"steady%1"_s.arg(channels),
                                 testmedia::Format::WavFloat, 44100, channels, samples);
        Offline off;
        const Handle h = off.lib->streamCreateFile(file, flags::Float);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        Render heard = off.render(1024, 128);
        const float before[2] = {heard.at(1023, 0), heard.at(1023, 1)};
        switch (change) {
        case Change::Volume:
            ASSERT_TRUE(off.lib->channelSetAttributes(h, -1, value, -101));
            break;
        case Change::Pan:
            ASSERT_TRUE(off.lib->channelSetAttributes(h, -1, -1, value));
            break;
        case Change::Free:
            ASSERT_TRUE(off.lib->streamFree(h));
            break;
        }
        off.render(2048, heard, 128);
        const double after[2] = {leftAfter, rightAfter};
        for (int side = 0; side < 2; ++side) {
            // The change spread over the 3 ms ramp (132 frames), with room for its shape.
            const double total = std::fabs(before[side] * (1 - after[side]));
            float step = 0;
            for (std::int64_t f = 1024; f < heard.frames(); ++f)
                step = std::max(step, std::fabs(heard.at(f, side) - heard.at(f - 1, side)));
            EXPECT_LE(step, total / 100 + 1e-6) << "side " << side;
            EXPECT_NEAR(heard.at(heard.frames() - 1, side), before[side] * after[side], 1e-4);
        }
    }
}

} // namespace
} // namespace kalvor::audio::test
