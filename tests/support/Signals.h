// Test sounds made on the spot (tones, noise, clicks) and the measurements the effect tests
// take on them. Interleaved float, as the effects see it.
#pragma once

#include "engine/dsp/Effect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace kalvor::engine::dsp::test {

inline std::vector<float> tone(double hz, int rate, int channels, double seconds,
                               float amplitude = 0.25f) {
    const int frames = static_cast<int>(seconds * rate);
    std::vector<float> out(std::size_t(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const float v =
            amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / rate));
        for (int ch = 0; ch < channels; ++ch)
            out[std::size_t(i) * channels + ch] = v;
    }
    return out;
}

// Independent white noise on every channel, or the same on all with `sameOnAll`.
inline std::vector<float> noise(int rate, int channels, double seconds, float amplitude = 0.25f,
                                bool sameOnAll = false, unsigned seed = 7) {
    const int frames = static_cast<int>(seconds * rate);
    std::vector<float> out(std::size_t(frames) * channels);
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    for (int i = 0; i < frames; ++i) {
        const float shared = dist(gen);
        for (int ch = 0; ch < channels; ++ch)
            out[std::size_t(i) * channels + ch] = sameOnAll ? shared : dist(gen);
    }
    return out;
}

// Runs `effect` over `buffer` in blocks of `block` frames, as a callback would.
inline void runBlocks(Effect& effect, std::vector<float>& buffer, int channels, int block = 512) {
    const int frames = static_cast<int>(buffer.size() / channels);
    for (int start = 0; start < frames; start += block)
        effect.process(buffer.data() + std::size_t(start) * channels,
                       std::min(block, frames - start));
}

inline double rms(const std::vector<float>& buffer, int channels, int channel, int fromFrame,
                  int toFrame) {
    double sum = 0.0;
    for (int i = fromFrame; i < toFrame; ++i) {
        const double v = buffer[std::size_t(i) * channels + channel];
        sum += v * v;
    }
    return std::sqrt(sum / std::max(1, toFrame - fromFrame));
}

inline double toDb(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Reverberation time from a decaying response (one channel, starting at `fromFrame`):
// Schroeder's backward-integrated energy, the slope between -5 and -25 dB, extrapolated to
// 60 dB. Seconds; 0 when the decay never reaches -25 dB.
inline double reverbTime(const std::vector<float>& buffer, int channels, int channel, int fromFrame,
                         int rate) {
    const int frames = static_cast<int>(buffer.size() / channels);
    std::vector<double> energy(std::size_t(frames - fromFrame) + 1, 0.0);
    for (int i = frames - 1; i >= fromFrame; --i) {
        const double v = buffer[std::size_t(i) * channels + channel];
        energy[std::size_t(i - fromFrame)] = energy[std::size_t(i - fromFrame) + 1] + v * v;
    }
    const double total = energy[0];
    int t5 = -1;
    int t25 = -1;
    for (std::size_t i = 0; i + 1 < energy.size(); ++i) {
        const double db = 10.0 * std::log10(energy[i] / total);
        if (t5 < 0 && db <= -5.0)
            t5 = static_cast<int>(i);
        if (t25 < 0 && db <= -25.0) {
            t25 = static_cast<int>(i);
            break;
        }
    }
    if (t5 < 0 || t25 < 0)
        return 0.0;
    return 3.0 * double(t25 - t5) / rate;
}

} // namespace kalvor::engine::dsp::test
