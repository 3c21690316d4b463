// Reverb; see WavesReverb.h. allocate: control thread; configure/clear/render: audio thread.
#include "engine/dsp/WavesReverb.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kalvor::engine::dsp {

namespace {

// Line lengths in ms: spread between 29 and 62 ms so the echo density builds fast, and
// turned into prime frame counts below so no two lines share a period at any rate.
constexpr std::array<double, WavesReverb::kLines> kLineMs{29.3, 33.7, 37.9, 42.1,
                                                          46.7, 51.1, 55.9, 61.3};
constexpr std::array<double, WavesReverb::kDiffusers> kDiffuserMs{3.59, 4.77, 9.31, 12.73};
constexpr std::array<float, WavesReverb::kDiffusers> kDiffuserGain{0.7f, 0.7f, 0.6f, 0.6f};
constexpr double kCrossoverHz = 4000.0;

bool isPrime(int n) {
    if (n < 2)
        return false;
    for (int d = 2; d * d <= n; ++d)
        if (n % d == 0)
            return false;
    return true;
}

int primeFrames(double ms, int sampleRate) {
    int n = std::max(2, static_cast<int>(std::lround(ms * sampleRate / 1000.0)));
    while (!isPrime(n))
        ++n;
    return n;
}

// Sign of line i in the Hadamard row r: (-1)^(number of bits r and i share).
constexpr float hadamardSign(int r, int i) {
    int bits = r & i;
    int parity = 0;
    while (bits != 0) {
        parity ^= bits & 1;
        bits >>= 1;
    }
    return parity != 0 ? -1.0f : 1.0f;
}

// Output channel c listens to row c + 1 (row 0, all plus, would be the most correlated).
constexpr int outputRow(int channel) {
    return (channel + 1) % WavesReverb::kLines;
}

// The input enters every line with the signs of row 5 (+ - + - - + - +): half the lines
// in each polarity, so the network's all-plus mode is not favoured.
constexpr int kInputRow = 5;

} // namespace

void WavesReverb::allocate() {
    std::size_t total = 0;
    for (int i = 0; i < kLines; ++i) {
        lineLength_[i] = primeFrames(kLineMs[i], sampleRate_);
        total += std::size_t(lineLength_[i]);
    }
    for (int i = 0; i < kDiffusers; ++i) {
        diffuserLength_[i] = primeFrames(kDiffuserMs[i], sampleRate_);
        total += std::size_t(diffuserLength_[i]);
    }
    memory_.assign(total, 0.0f);
    float* next = memory_.data();
    for (int i = 0; i < kLines; ++i) {
        line_[i] = next;
        next += lineLength_[i];
    }
    for (int i = 0; i < kDiffusers; ++i) {
        diffuser_[i] = next;
        next += diffuserLength_[i];
    }
    crossoverCoeff_ =
        static_cast<float>(1.0 - std::exp(-2.0 * std::numbers::pi *
                                          std::min(kCrossoverHz, 0.2 * sampleRate_) / sampleRate_));
}

void WavesReverb::configure(const DsfxWavesReverb& params) noexcept {
    const double timeFrames = double(params.reverbTime) * sampleRate_ / 1000.0;
    const double highTimeFrames = timeFrames * params.highFreqRtRatio;
    double meanPower = 0.0;
    for (int i = 0; i < kLines; ++i) {
        // -60 dB (a factor 10^-3) over the reverb time, per pass of this line's length.
        const double low = std::pow(10.0, -3.0 * lineLength_[i] / timeFrames);
        const double high = std::pow(10.0, -3.0 * lineLength_[i] / highTimeFrames);
        lowGain_[i] = static_cast<float>(low);
        highGain_[i] = static_cast<float>(high);
        meanPower += low * low / kLines;
    }
    // A steady input fills each line to 1 / (1 - g^2) of its power and the output sums eight
    // lines: scale back to the input's level.
    const double normalise = std::sqrt((1.0 - meanPower) / kLines);
    inGain_ = static_cast<float>(std::pow(10.0, params.inGain / 20.0));
    const double wet = std::pow(10.0, params.reverbMix / 20.0);
    wetGain_ = static_cast<float>(wet * normalise);
    dryGain_ = static_cast<float>(std::sqrt(std::max(0.0, 1.0 - wet * wet)));
}

void WavesReverb::clear() noexcept {
    std::fill(memory_.begin(), memory_.end(), 0.0f);
    linePos_.fill(0);
    diffuserPos_.fill(0);
    crossover_.fill(0.0f);
}

void WavesReverb::render(float* interleaved, int frames) noexcept {
    const int channels = channels_;
    const float inScale = inGain_ / static_cast<float>(channels);
    const float cross = crossoverCoeff_;
    constexpr float kHadamardNorm = 0.35355339f; // 1 / sqrt(8)

    for (int n = 0; n < frames; ++n) {
        float* frame = interleaved + std::size_t(n) * channels;

        float input = 0.0f;
        for (int ch = 0; ch < channels; ++ch)
            input += frame[ch];
        input *= inScale;

        // Diffusion: Schroeder all-passes smear an impulse into a dense burst first.
        for (int d = 0; d < kDiffusers; ++d) {
            float* buf = diffuser_[d];
            int& pos = diffuserPos_[d];
            const float delayed = buf[pos];
            const float out = delayed - kDiffuserGain[d] * input;
            buf[pos] = input + kDiffuserGain[d] * out;
            input = out;
            if (++pos == diffuserLength_[d])
                pos = 0;
        }

        // The listener hears the lines as they come out; only what goes round again loses
        // the loop gain: low band and high band around the crossover, so the highs die away
        // by the ratio faster.
        std::array<float, kLines> v;
        for (int ch = 0; ch < channels; ++ch) {
            const int row = outputRow(ch);
            float wet = 0.0f;
            for (int i = 0; i < kLines; ++i)
                wet += hadamardSign(row, i) * line_[i][linePos_[i]];
            const float dry = frame[ch] * inGain_;
            frame[ch] = dryGain_ * dry + wetGain_ * wet;
        }
        for (int i = 0; i < kLines; ++i) {
            const float out = line_[i][linePos_[i]];
            crossover_[i] += cross * (out - crossover_[i]);
            v[i] = highGain_[i] * out + (lowGain_[i] - highGain_[i]) * crossover_[i];
        }

        // Fast Hadamard transform: 24 additions mix every line into every other.
        for (int half = 1; half < kLines; half *= 2)
            for (int i = 0; i < kLines; i += 2 * half)
                for (int j = i; j < i + half; ++j) {
                    const float a = v[j];
                    const float b = v[j + half];
                    v[j] = a + b;
                    v[j + half] = a - b;
                }

        for (int i = 0; i < kLines; ++i) {
            line_[i][linePos_[i]] = kHadamardNorm * v[i] + hadamardSign(kInputRow, i) * input;
            if (++linePos_[i] == lineLength_[i])
                linePos_[i] = 0;
        }
    }
}

} // namespace kalvor::engine::dsp
