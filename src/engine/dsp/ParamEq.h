// One band of the parametric equaliser: a peaking filter (the biquad of R. Bristow-Johnson's
// audio EQ cookbook) per channel, centre in Hz, width in semitones, gain in dB. The channel
// strip's three bands are three of these in a row.
//
// Threads as for every Effect (see Effect.h).
#pragma once

#include "engine/dsp/Effect.h"

#include <array>

namespace kalvor::engine::dsp {

class ParamEq final : public EffectWith<DsfxParamEq, EffectType::ParamEq> {
public:
    struct Coefficients {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    };
    // The normalised filter for a band at `sampleRate` (the centre held below 0.4 x the
    // rate, which only streams below 40 kHz ever need). Any thread.
    static Coefficients design(const DsfxParamEq& band, int sampleRate);

private:
    void allocate() override {}
    void configure(const DsfxParamEq& params) noexcept override;
    std::size_t clear() noexcept override;
    void render(float* interleaved, int frames) noexcept override;

    // Fixed-size state, so nothing is allocated at all. Double precision keeps a narrow
    // 80 Hz band at 96 kHz exact; the cost is the same as float on a scalar path.
    Coefficients c_;
    bool flat_ = true; // 0 dB: the band passes the sound through untouched
    std::array<double, kMaxChannels> z1_{};
    std::array<double, kMaxChannels> z2_{};
};

} // namespace kalvor::engine::dsp
