// The parametric EQ band does what its three knobs say, measured on sine tones.
#include "support/Signals.h"

#include "engine/dsp/ParamEq.h"

#include <gtest/gtest.h>

namespace kalvor::engine::dsp {
namespace {

using test::rms;
using test::runBlocks;
using test::toDb;
using test::tone;

TEST(ParamEq, RaisesOrCutsAtTheCentreAndLeavesTonesTwoOctavesAway) {
    using Row = std::tuple<int, int, DsfxParamEq, double, double, double>;
    const Row cases[] = {
        // +12 dB, one octave wide, at 1 kHz: the centre by 12 dB, two octaves off within 1 dB
        {44100, 2, {1000.0f, 12.0f, 12.0f}, 1000.0, 12.0, 0.5},
        {44100, 2, {1000.0f, 12.0f, 12.0f}, 250.0, 0.0, 1.0},
        {44100, 2, {1000.0f, 12.0f, 12.0f}, 4000.0, 0.0, 1.0},
        // a cut on a low band, mono, another rate
        {48000, 1, {125.0f, 12.0f, -12.0f}, 125.0, -12.0, 0.5},
        {48000, 1, {125.0f, 12.0f, -12.0f}, 500.0, 0.0, 1.0},
        // a high band on a 5.1 stream
        {48000, 6, {8000.0f, 12.0f, 12.0f}, 8000.0, 12.0, 0.5},
        {48000, 6, {8000.0f, 12.0f, 12.0f}, 2000.0, 0.0, 1.0},
        // the extremes: narrowest band, full boost, lowest centre, high rate
        {96000, 2, {80.0f, 1.0f, 15.0f}, 80.0, 15.0, 0.5},
        {96000, 2, {80.0f, 1.0f, 15.0f}, 160.0, 0.0, 1.0},
        // widest band, full cut: the centre still gets the whole cut
        {44100, 2, {2000.0f, 36.0f, -15.0f}, 2000.0, -15.0, 0.5},
        // the top band is where it is set at 44.1 kHz as at 48 kHz
        {44100, 2, {16000.0f, 2.0f, 12.0f}, 16000.0, 12.0, 0.5},
        {48000, 2, {16000.0f, 2.0f, 12.0f}, 16000.0, 12.0, 0.5},
    };
    for (const auto& [rate, channels, band, probeHz, expectDb, toleranceDb] : cases) {
        SCOPED_TRACE(testing::Message()
                     << band.center << " Hz " << band.bandwidth << " st " << band.gain << " dB at "
                     << rate << ", probe " << probeHz << " Hz, " << channels << " ch");
        ParamEq eq;
        eq.setParameters(band);
        ASSERT_TRUE(eq.prepare(rate, channels));
        std::vector<float> sound = tone(probeHz, rate, channels, 1.5);
        const std::vector<float> input = sound;
        runBlocks(eq, sound, channels, 441);
        // Measure after the filter has settled (a narrow 80 Hz band rings for ~0.2 s).
        const int from = rate;
        const int to = rate * 3 / 2;
        for (int ch = 0; ch < channels; ++ch) {
            const double gainDb =
                toDb(rms(sound, channels, ch, from, to) / rms(input, channels, ch, from, to));
            EXPECT_NEAR(gainDb, expectDb, toleranceDb) << "channel " << ch;
        }
    }
}

} // namespace
} // namespace kalvor::engine::dsp
