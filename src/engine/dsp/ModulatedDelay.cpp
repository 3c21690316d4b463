// Modulated delay line for chorus and flanger; see ModulatedDelay.h.
#include "engine/dsp/ModulatedDelay.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace kalvor::engine::dsp {

namespace {

// sin(x) for |x| <= pi/2, Taylor series to x^7: error below 2e-4, far under what an LFO
// sweeping a delay can reveal, and a fraction of the cost of std::sin per sample.
inline float sineQuarter(float x) {
    const float x2 = x * x;
    return x * (1.0f + x2 * (-1.0f / 6.0f + x2 * (1.0f / 120.0f + x2 * (-1.0f / 5040.0f))));
}

// Triangle through 0 at phase 0, +1 at 0.25, 0 at 0.5, -1 at 0.75: sine's own shape, so a
// waveform switch keeps the LFO's phase. sin(2 pi p) == sin(pi/2 * triangle(p)).
inline float triangle(float phase) {
    float t = phase + 0.25f;
    if (t >= 1.0f)
        t -= 1.0f;
    return 1.0f - 4.0f * std::fabs(t - 0.5f);
}

} // namespace

void ModulatedDelay::allocate(int sampleRate, int channels, float maxDelayMs) {
    channels_ = channels;
    // Depth 100 sweeps up to twice the delay; one more frame for the interpolation.
    const double longest = 2.0 * maxDelayMs * sampleRate / 1000.0 + 2.0;
    const unsigned frames = std::bit_ceil(static_cast<unsigned>(std::ceil(longest)) + 1);
    line_.assign(std::size_t{frames} * channels, 0.0f);
    mask_ = frames - 1;
    maxDelay_ = static_cast<float>(frames - 2);
}

void ModulatedDelay::configure(const DsfxModulation& params, int sampleRate) noexcept {
    mix_ = params.wetDryMix / 100.0f;
    feedback_ = params.feedback / 100.0f;
    lfoStep_ = double(params.frequency) / sampleRate;
    sine_ = params.waveform == kWaveSine;
    baseDelay_ = static_cast<float>(double(params.delay) * sampleRate / 1000.0);
    sweep_ = params.depth / 100.0f;
    // phase 0..4 is -180..180 degrees, i.e. -0.5..0.5 cycles; kept in 0..1.
    const float offset = static_cast<float>(params.phase - kPhaseZero) * 0.25f;
    const float wrapped = offset < 0.0f ? offset + 1.0f : offset;
    for (int ch = 0; ch < kMaxChannels; ++ch)
        phaseOffset_[ch] = (ch % 2 == 0) ? 0.0f : wrapped;
}

void ModulatedDelay::clear() noexcept {
    std::fill(line_.begin(), line_.end(), 0.0f);
    lastWet_.fill(0.0f);
    write_ = 0;
    lfoPhase_ = 0.0;
}

void ModulatedDelay::render(float* interleaved, int frames) noexcept {
    const int channels = channels_;
    const unsigned mask = mask_;
    const float mix = mix_;
    const float feedback = feedback_;
    const float base = baseDelay_;
    const float sweep = sweep_;
    const float maxDelay = maxDelay_;
    const bool sine = sine_;
    float* line = line_.data();
    unsigned write = write_;
    double phase = lfoPhase_;

    for (int i = 0; i < frames; ++i) {
        float* frame = interleaved + std::size_t(i) * channels;
        float* slot = line + std::size_t(write) * channels;
        const float lfoPhase = static_cast<float>(phase);
        for (int ch = 0; ch < channels; ++ch) {
            const float dry = frame[ch];
            // Write first, so a delay below one frame reads between this input and the last.
            slot[ch] = dry + feedback * lastWet_[ch];

            float p = lfoPhase + phaseOffset_[ch];
            if (p >= 1.0f)
                p -= 1.0f;
            const float tri = triangle(p);
            const float lfo = sine ? sineQuarter(std::numbers::pi_v<float> / 2.0f * tri) : tri;
            const float delay = std::clamp(base * (1.0f + sweep * lfo), 0.0f, maxDelay);

            const unsigned whole = static_cast<unsigned>(delay);
            const float frac = delay - static_cast<float>(whole);
            const float a = line[((write - whole) & mask) * channels + ch];
            const float b = line[((write - whole - 1) & mask) * channels + ch];
            const float wet = a + frac * (b - a);
            lastWet_[ch] = wet;
            // dry + mix * (wet - dry): mix 0 leaves the sample exactly as it was.
            frame[ch] = dry + mix * (wet - dry);
        }
        write = (write + 1) & mask;
        phase += lfoStep_;
        if (phase >= 1.0)
            phase -= 1.0;
    }
    write_ = write;
    lfoPhase_ = phase;
}

} // namespace kalvor::engine::dsp
