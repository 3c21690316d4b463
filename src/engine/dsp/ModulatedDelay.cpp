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

float ModulatedDelay::delayAt(double phase, int channel) const noexcept {
    float p = static_cast<float>(phase) + phaseOffset_[channel];
    if (p >= 1.0f)
        p -= 1.0f;
    const float tri = triangle(p);
    const float lfo = sine_ ? sineQuarter(std::numbers::pi_v<float> / 2.0f * tri) : tri;
    return std::clamp(baseDelay_ * (1.0f + sweep_ * lfo), 0.0f, maxDelay_);
}

std::size_t ModulatedDelay::clear() noexcept {
    lastWet_.fill(0.0f);
    write_ = 0;
    valid_ = 0;
    lfoPhase_ = 0.0;
    segmentLeft_ = 0;
    delayStep_.fill(0.0f);
    for (int ch = 0; ch < channels_; ++ch)
        delayNow_[ch] = delayAt(0.0, ch);
    return 0;
}

template <int kChannels, bool kWarm>
void ModulatedDelay::run(float* interleaved, int frames) noexcept {
    const int channels = kChannels > 0 ? kChannels : channels_;
    const unsigned mask = mask_;
    const float mix = mix_;
    const float feedback = feedback_;
    float* line = line_.data();
    unsigned write = write_;
    unsigned valid = valid_;
    double phase = lfoPhase_;
    std::array<float, kMaxChannels> delay = delayNow_;
    std::array<float, kMaxChannels> lastWet = lastWet_;
    std::array<float, kMaxChannels> step = delayStep_;
    int segmentLeft = segmentLeft_;

    for (int start = 0; start < frames;) {
        if (segmentLeft == 0) {
            // The LFO moves the delay by far less than a sample per frame, so it is
            // evaluated every kLfoInterval frames and the delay ramps linearly in between.
            // The ramps run on across calls, so the sound does not depend on the period
            // size; a changed delay or depth knob glides over the next ramp.
            phase += lfoStep_ * kLfoInterval;
            if (phase >= 1.0)
                phase -= std::floor(phase);
            for (int ch = 0; ch < channels; ++ch)
                step[ch] = (delayAt(phase, ch) - delay[ch]) / static_cast<float>(kLfoInterval);
            segmentLeft = kLfoInterval;
        }
        const int count = std::min(segmentLeft, frames - start);
        segmentLeft -= count;

        float* block = interleaved + std::size_t(start) * channels;
        for (int i = 0; i < count; ++i) {
            float* frame = block + std::size_t(i) * channels;
            float* slot = line + std::size_t(write) * channels;
            if (kWarm)
                valid = std::min(valid + 1, mask + 1);
            for (int ch = 0; ch < channels; ++ch) {
                const float dry = frame[ch];
                // Write first, so a delay below one frame reads between this input and
                // the one before.
                slot[ch] = dry + feedback * lastWet[ch];
                delay[ch] += step[ch];
                const float d = std::max(delay[ch], 0.0f);
                const unsigned whole = static_cast<unsigned>(d);
                const float frac = d - static_cast<float>(whole);
                float a = line[((write - whole) & mask) * channels + ch];
                float b = line[((write - whole - 1) & mask) * channels + ch];
                if (kWarm) {
                    a = whole < valid ? a : 0.0f;
                    b = whole + 1 < valid ? b : 0.0f;
                }
                const float wet = a + frac * (b - a);
                lastWet[ch] = wet;
                // dry + mix * (wet - dry): mix 0 leaves the sample exactly as it was.
                frame[ch] = dry + mix * (wet - dry);
            }
            write = (write + 1) & mask;
        }
        start += count;
    }
    write_ = write;
    valid_ = valid;
    lfoPhase_ = phase;
    delayNow_ = delay;
    delayStep_ = step;
    segmentLeft_ = segmentLeft;
    lastWet_ = lastWet;
}

template <bool kWarm> void ModulatedDelay::dispatch(float* interleaved, int frames) noexcept {
    switch (channels_) {
    case 1:
        run<1, kWarm>(interleaved, frames);
        break;
    case 2:
        run<2, kWarm>(interleaved, frames);
        break;
    default:
        run<0, kWarm>(interleaved, frames);
        break;
    }
}

void ModulatedDelay::render(float* interleaved, int frames) noexcept {
    // The sweep may reach anywhere in the ring: reads are checked until it is all written.
    if (valid_ <= mask_)
        dispatch<true>(interleaved, frames);
    else
        dispatch<false>(interleaved, frames);
}

} // namespace kalvor::engine::dsp
