// Parametric EQ band; see ParamEq.h. configure/clear/render: audio thread.
#include "engine/dsp/ParamEq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kalvor::engine::dsp {

ParamEq::Coefficients ParamEq::design(const DsfxParamEq& band, int sampleRate) {
    const double rate = sampleRate;
    const double center = std::min<double>(band.center, rate / 3.0);
    const double octaves = band.bandwidth / 12.0;
    const double w0 = 2.0 * std::numbers::pi * center / rate;
    const double sinW0 = std::sin(w0);
    const double cosW0 = std::cos(w0);
    // Bandwidth in octaves between the half-gain (in dB) points, pre-warped for the
    // bilinear transform: the cookbook's BW form.
    const double alpha = sinW0 * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sinW0);
    const double a = std::pow(10.0, band.gain / 40.0);

    const double a0 = 1.0 + alpha / a;
    Coefficients c;
    c.b0 = (1.0 + alpha * a) / a0;
    c.b1 = -2.0 * cosW0 / a0;
    c.b2 = (1.0 - alpha * a) / a0;
    c.a1 = -2.0 * cosW0 / a0;
    c.a2 = (1.0 - alpha / a) / a0;
    return c;
}

void ParamEq::configure(const DsfxParamEq& params) noexcept {
    const bool wasFlat = flat_;
    flat_ = params.gain == 0.0f;
    c_ = design(params, sampleRate_);
    if (wasFlat && !flat_)
        clear(); // the state went stale while the band was passing sound through
}

void ParamEq::clear() noexcept {
    z1_.fill(0.0);
    z2_.fill(0.0);
}

void ParamEq::render(float* interleaved, int frames) noexcept {
    if (flat_)
        return;
    const int channels = channels_;
    const Coefficients c = c_;
    for (int ch = 0; ch < channels; ++ch) {
        double z1 = z1_[ch];
        double z2 = z2_[ch];
        float* p = interleaved + ch;
        for (int i = 0; i < frames; ++i, p += channels) {
            // Transposed direct form II: two state values per channel.
            const double x = *p;
            const double y = c.b0 * x + z1;
            z1 = c.b1 * x - c.a1 * y + z2;
            z2 = c.b2 * x - c.a2 * y;
            *p = static_cast<float>(y);
        }
        z1_[ch] = z1;
        z2_[ch] = z2;
    }
}

} // namespace kalvor::engine::dsp
