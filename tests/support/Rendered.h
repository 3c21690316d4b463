// What a caller-driven device rendered, interleaved, with the measures the tests read
// from it: the sample of a frame, peak and RMS over a span, the first frame that sounds.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kalvor::test {

struct Rendered {
    int channels = 2;
    std::vector<float> samples;
    std::int64_t frames() const { return std::int64_t(samples.size()) / channels; }
    float at(std::int64_t frame, int channel) const {
        return samples[std::size_t(frame * channels + channel)];
    }
    // Largest |x| on a channel over [from, to).
    float peak(int channel, std::int64_t from, std::int64_t to) const {
        float p = 0;
        for (std::int64_t f = from; f < to; ++f)
            p = std::max(p, std::fabs(at(f, channel)));
        return p;
    }
    double rms(int channel, std::int64_t from, std::int64_t to) const {
        double sum = 0.0;
        for (std::int64_t f = from; f < to; ++f)
            sum += double(at(f, channel)) * at(f, channel);
        return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
    }
    // First frame from `from` on whose sample on `channel` is not zero; -1 if none.
    std::int64_t firstNonZero(int channel, std::int64_t from = 0) const {
        for (std::int64_t f = from; f < frames(); ++f)
            if (at(f, channel) != 0.0f)
                return f;
        return -1;
    }
};

inline double toDb(double ratio) {
    return ratio > 0 ? 20.0 * std::log10(ratio) : -999.0;
}

} // namespace kalvor::test
