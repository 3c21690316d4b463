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

struct EqCase {
    int rate;
    int channels;
    DsfxParamEq band;
    double probeHz;
    double expectDb;
    double toleranceDb;
};

TEST(ParamEq, RaisesOrCutsAtTheCentreAndLeavesTonesTwoOctavesAway) {
    const EqCase cases[] = {
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
    };
    for (const EqCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.band.center << " Hz " << c.band.bandwidth << " st "
                                        << c.band.gain << " dB at " << c.rate << ", probe "
                                        << c.probeHz << " Hz, " << c.channels << " ch");
        ParamEq eq;
        eq.setParameters(c.band);
        ASSERT_TRUE(eq.prepare(c.rate, c.channels));
        std::vector<float> sound = tone(c.probeHz, c.rate, c.channels, 1.5);
        const std::vector<float> input = sound;
        runBlocks(eq, sound, c.channels, 441);
        // Measure after the filter has settled (a narrow 80 Hz band rings for ~0.2 s).
        const int from = c.rate;
        const int to = c.rate * 3 / 2;
        for (int ch = 0; ch < c.channels; ++ch) {
            const double gainDb =
                toDb(rms(sound, c.channels, ch, from, to) / rms(input, c.channels, ch, from, to));
            EXPECT_NEAR(gainDb, c.expectDb, c.toleranceDb) << "channel " << ch;
        }
    }
}

} // namespace
} // namespace kalvor::engine::dsp
