// Parametric EQ band; see ParamEq.h. configure/clear/render: audio thread.
#include "engine/dsp/ParamEq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kalvor::engine::dsp {

ParamEq::Coefficients ParamEq::design(const DsfxParamEq& band, int sampleRate) {
    const double rate = sampleRate;
    // A band keeps its centre whatever the stream's rate (a 16 kHz band at 44.1 kHz as at
    // 48 kHz); only one the rate cannot carry is held well below the Nyquist frequency.
    const double center = std::min<double>(band.center, rate * 0.4);
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

std::size_t ParamEq::clear() noexcept {
    z1_.fill(0.0);
    z2_.fill(0.0);
    return z1_.size() + z2_.size();
}

namespace {

// Frame by frame with the channels inside: each channel's filter is a chain of dependent
// multiply-adds, so running the channels side by side lets the CPU overlap them (and the
// compiler turn a stereo pair into one vector operation). kChannels 0 means "any count".
template <int kChannels>
void runPeaking(float* interleaved, int frames, int channelCount, const ParamEq::Coefficients& c,
                double* z1, double* z2) {
    const int channels = kChannels > 0 ? kChannels : channelCount;
    for (int i = 0; i < frames; ++i) {
        float* frame = interleaved + std::size_t(i) * channels;
        for (int ch = 0; ch < channels; ++ch) {
            // Transposed direct form II: two state values per channel.
            const double x = frame[ch];
            const double y = c.b0 * x + z1[ch];
            z1[ch] = c.b1 * x - c.a1 * y + z2[ch];
            z2[ch] = c.b2 * x - c.a2 * y;
            frame[ch] = static_cast<float>(y);
        }
    }
}

} // namespace

void ParamEq::render(float* interleaved, int frames) noexcept {
    if (flat_)
        return;
    // Local copies of the state, so the compiler keeps them in registers.
    std::array<double, kMaxChannels> z1 = z1_;
    std::array<double, kMaxChannels> z2 = z2_;
    switch (channels_) {
    case 1:
        runPeaking<1>(interleaved, frames, 1, c_, z1.data(), z2.data());
        break;
    case 2:
        runPeaking<2>(interleaved, frames, 2, c_, z1.data(), z2.data());
        break;
    default:
        runPeaking<0>(interleaved, frames, channels_, c_, z1.data(), z2.data());
        break;
    }
    z1_ = z1;
    z2_ = z2;
}

} // namespace kalvor::engine::dsp
