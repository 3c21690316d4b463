// Reverb; see WavesReverb.h. allocate: control thread; configure/clear/render: audio thread.
#include "engine/dsp/WavesReverb.h"

#include <algorithm>
#include <bit>
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

// Fast Hadamard transform (unnormalised): 24 additions mix every line into every other.
// Written out, because a loop over the stages is not unrolled by the compiler and costs
// more than the additions themselves.
inline void hadamard(std::array<float, WavesReverb::kLines>& v) {
    const float a0 = v[0] + v[1], a1 = v[0] - v[1], a2 = v[2] + v[3], a3 = v[2] - v[3];
    const float a4 = v[4] + v[5], a5 = v[4] - v[5], a6 = v[6] + v[7], a7 = v[6] - v[7];
    const float b0 = a0 + a2, b1 = a1 + a3, b2 = a0 - a2, b3 = a1 - a3;
    const float b4 = a4 + a6, b5 = a5 + a7, b6 = a4 - a6, b7 = a5 - a7;
    v[0] = b0 + b4;
    v[1] = b1 + b5;
    v[2] = b2 + b6;
    v[3] = b3 + b7;
    v[4] = b0 - b4;
    v[5] = b1 - b5;
    v[6] = b2 - b6;
    v[7] = b3 - b7;
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
    int longest = 0;
    for (int i = 0; i < kLines; ++i) {
        lineLength_[i] = primeFrames(kLineMs[i], sampleRate_);
        longest = std::max(longest, lineLength_[i]);
    }
    // The eight lines share one ring, a frame of eight samples per step: each step writes
    // one contiguous frame (a vector store) and needs no wrap test per line.
    const unsigned ringFrames = std::bit_ceil(static_cast<unsigned>(longest) + 1);
    ring_.assign(std::size_t{ringFrames} * kLines, 0.0f);
    ringMask_ = ringFrames - 1;
    longest_ = static_cast<unsigned>(longest);

    std::size_t total = 0;
    for (int i = 0; i < kDiffusers; ++i) {
        diffuserLength_[i] = primeFrames(kDiffuserMs[i], sampleRate_);
        total += std::size_t(diffuserLength_[i]);
    }
    diffusion_.assign(total, 0.0f);
    float* next = diffusion_.data();
    for (int i = 0; i < kDiffusers; ++i) {
        diffuser_[i] = next;
        next += diffuserLength_[i];
    }

    const double crossoverHz = std::min(kCrossoverHz, 0.2 * sampleRate_);
    crossoverCoeff_ =
        static_cast<float>(1.0 - std::exp(-2.0 * std::numbers::pi * crossoverHz / sampleRate_));
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

std::size_t WavesReverb::clear() noexcept {
    // The all-passes are a few milliseconds long; the lines are left to valid_.
    std::fill(diffusion_.begin(), diffusion_.end(), 0.0f);
    write_ = 0;
    valid_ = 0;
    diffuserPos_.fill(0);
    crossover_.fill(0.0f);
    return diffusion_.size();
}

void WavesReverb::render(float* interleaved, int frames) noexcept {
    if (valid_ < longest_)
        run<true>(interleaved, frames);
    else
        run<false>(interleaved, frames);
}

template <bool kWarm> void WavesReverb::run(float* interleaved, int frames) noexcept {
    const int channels = channels_;
    const float inScale = inGain_ / static_cast<float>(channels);
    const float dryGain = dryGain_ * inGain_;
    const float wetGain = wetGain_;
    const float cross = crossoverCoeff_;
    constexpr float kHadamardNorm = 0.35355339f; // 1 / sqrt(8)

    // Everything the inner loop touches in locals: the compiler then knows that writing a
    // delay line cannot change a gain or a position, keeps them in registers and runs the
    // eight lines as vector operations.
    float* ring = ring_.data();
    const unsigned mask = ringMask_;
    unsigned write = write_;
    unsigned valid = valid_;
    std::array<unsigned, kLines> length;
    for (int i = 0; i < kLines; ++i)
        length[i] = static_cast<unsigned>(lineLength_[i]);
    std::array<float, kLines> lowPass = crossover_;
    std::array<float, kLines> highGain;
    std::array<float, kLines> lowExtra;
    std::array<float, kLines> inSign;
    for (int i = 0; i < kLines; ++i) {
        highGain[i] = kHadamardNorm * highGain_[i];
        lowExtra[i] = kHadamardNorm * (lowGain_[i] - highGain_[i]);
        inSign[i] = hadamardSign(kInputRow, i);
    }

    constexpr int kChunk = 256;
    float diffused[kChunk];
    for (int start = 0; start < frames; start += kChunk) {
        const int count = std::min(kChunk, frames - start);
        float* block = interleaved + std::size_t(start) * channels;

        for (int n = 0; n < count; ++n) {
            float sum = 0.0f;
            for (int ch = 0; ch < channels; ++ch)
                sum += block[std::size_t(n) * channels + ch];
            diffused[n] = sum * inScale;
        }
        // Diffusion: Schroeder all-passes smear an impulse into a dense burst first.
        for (int d = 0; d < kDiffusers; ++d) {
            float* buf = diffuser_[d];
            int p = diffuserPos_[d];
            const int len = diffuserLength_[d];
            const float g = kDiffuserGain[d];
            for (int n = 0; n < count; ++n) {
                const float delayed = buf[p];
                const float out = delayed - g * diffused[n];
                buf[p] = diffused[n] + g * out;
                diffused[n] = out;
                if (++p == len)
                    p = 0;
            }
            diffuserPos_[d] = p;
        }

        for (int n = 0; n < count; ++n) {
            float* frame = block + std::size_t(n) * channels;
            std::array<float, kLines> out;
            for (int i = 0; i < kLines; ++i)
                out[i] = ring[((write - length[i]) & mask) * kLines + i];
            if (kWarm) {
                for (int i = 0; i < kLines; ++i)
                    out[i] = length[i] <= valid ? out[i] : 0.0f;
                valid = std::min(valid + 1, longest_);
            }

            // The listener hears the lines as they come out (only what goes round again
            // loses the loop gain), each channel through its own row of the matrix.
            std::array<float, kLines> heard = out;
            hadamard(heard);
            for (int ch = 0; ch < channels; ++ch)
                frame[ch] = dryGain * frame[ch] + wetGain * heard[outputRow(ch)];

            // Loop gain: the low band and the high band around the crossover, so the highs
            // die away by the ratio faster. (The matrix's 1/sqrt(8) is folded in.)
            std::array<float, kLines> v;
            for (int i = 0; i < kLines; ++i) {
                lowPass[i] += cross * (out[i] - lowPass[i]);
                v[i] = highGain[i] * out[i] + lowExtra[i] * lowPass[i];
            }
            hadamard(v);

            const float in = diffused[n];
            float* slot = ring + std::size_t(write) * kLines;
            for (int i = 0; i < kLines; ++i)
                slot[i] = v[i] + inSign[i] * in;
            write = (write + 1) & mask;
        }
    }
    write_ = write;
    valid_ = valid;
    crossover_ = lowPass;
}

} // namespace kalvor::engine::dsp
