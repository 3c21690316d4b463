// MPEG-1 Layer I writer for test media: analysis filter bank, scalefactors, a greedy bit
// allocation and the frame layout. Test threads only.
#include "Mp1Encoder.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace kalvor::testmedia {

namespace {

constexpr int kSubbands = 32;
constexpr int kBlocks = 12; // subband samples per frame: 12 * 32 = 384 samples
constexpr int kBitrate = 448000;
constexpr int kBitrateIndex = 14;
constexpr int kSynthesisDelay = 481;

class BitWriter {
public:
    void put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> i) & 1u)
                bytes_.back() |= std::uint8_t(0x80u >> (used_ % 8));
            ++used_;
        }
    }
    void padTo(std::size_t bits) {
        while (used_ < bits)
            put(0, 1);
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// The polyphase analysis filter bank of MPEG audio, with a prototype low-pass of our own
// in place of the tabled analysis window; close enough to the decoder's synthesis that
// what comes out is the input within a small error.
class AnalysisFilter {
public:
    AnalysisFilter() {
        // Prototype: a linear-phase low-pass, flat to just below the subband edge (pi/64)
        // and falling as a quarter cosine across a narrow band around it, so the edge
        // passes 1/sqrt(2) and neighbouring subbands add up to unity power there, as the
        // decoder's synthesis expects.
        constexpr double edge = std::numbers::pi / 64.0;
        constexpr double half = std::numbers::pi / 160.0; // half the transition width
        constexpr int steps = 4096;
        for (int n = 0; n < 512; ++n) {
            const double t = n - 256.0;
            double sum = 0.0;
            for (int i = 0; i < steps; ++i) {
                const double w = (i + 0.5) * (edge + half) / steps;
                const double x = std::clamp((w - (edge - half)) / (2.0 * half), 0.0, 1.0);
                sum += std::cos(std::numbers::pi / 2.0 * x) * std::cos(w * t);
            }
            const double h = sum * ((edge + half) / steps) / std::numbers::pi;
            const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / 512.0);
            // Gain 2 puts a full-scale sine at a band centre at full scale in its subband;
            // the sign flip per 64 taps folds the modulation into the 64-point matrix.
            window_[std::size_t(n)] = 2.0 * h * hann * ((n / 64) % 2 ? -1.0 : 1.0);
        }
        for (int k = 0; k < kSubbands; ++k)
            for (int i = 0; i < 64; ++i)
                matrix_[std::size_t(k)][std::size_t(i)] =
                    std::cos((2 * k + 1) * (i - 16) * std::numbers::pi / 64.0);
    }

    // Takes 32 new samples (oldest first) and yields one sample per subband.
    void run(const double* input, std::array<double, kSubbands>& out) {
        std::copy_backward(history_.begin(), history_.end() - 32, history_.end());
        for (int i = 0; i < 32; ++i)
            history_[std::size_t(31 - i)] = input[i];
        std::array<double, 64> y{};
        for (int i = 0; i < 64; ++i)
            for (int j = 0; j < 8; ++j)
                y[std::size_t(i)] +=
                    window_[std::size_t(i + 64 * j)] * history_[std::size_t(i + 64 * j)];
        for (int k = 0; k < kSubbands; ++k) {
            double s = 0.0;
            for (int i = 0; i < 64; ++i)
                s += matrix_[std::size_t(k)][std::size_t(i)] * y[std::size_t(i)];
            out[std::size_t(k)] = s;
        }
    }

private:
    std::array<double, 512> window_{};
    std::array<double, 512> history_{};
    std::array<std::array<double, 64>, kSubbands> matrix_{};
};

double scalefactor(int index) {
    return 2.0 * std::pow(2.0, -index / 3.0);
}

} // namespace

bool writeMp1(const QString& path, int sampleRate, int channels,
              const std::vector<float>& interleaved) {
    const int rateIndex = sampleRate == 44100   ? 0
                          : sampleRate == 48000 ? 1
                          : sampleRate == 32000 ? 2
                                                : -1;
    if (rateIndex < 0 || channels < 1 || channels > 2)
        return false;

    const auto inputFrames = std::int64_t(interleaved.size()) / channels;
    const std::int64_t frameCount = (inputFrames + kSynthesisDelay + 383) / 384;
    std::vector<AnalysisFilter> filters(static_cast<std::size_t>(channels));
    std::vector<std::uint8_t> file;
    std::int64_t paddingRest = 0;

    for (std::int64_t frame = 0; frame < frameCount; ++frame) {
        // [channel][block][subband]
        double subband[2][kBlocks][kSubbands];
        for (int c = 0; c < channels; ++c) {
            for (int b = 0; b < kBlocks; ++b) {
                double input[32];
                for (int i = 0; i < 32; ++i) {
                    const std::int64_t at = frame * 384 + b * 32 + i;
                    input[i] = at < inputFrames ? interleaved[std::size_t(at * channels + c)] : 0.0;
                }
                std::array<double, kSubbands> out{};
                filters[std::size_t(c)].run(input, out);
                for (int k = 0; k < kSubbands; ++k)
                    subband[c][b][k] = out[std::size_t(k)];
            }
        }

        paddingRest += (12LL * kBitrate) % sampleRate;
        const bool padding = paddingRest >= sampleRate;
        if (padding)
            paddingRest -= sampleRate;
        const std::size_t frameBits = std::size_t(12LL * kBitrate / sampleRate + padding) * 32;

        int scfIndex[2][kSubbands] = {};
        int bits[2][kSubbands] = {};
        for (int c = 0; c < channels; ++c)
            for (int k = 0; k < kSubbands; ++k) {
                double peak = 0.0;
                for (int b = 0; b < kBlocks; ++b)
                    peak = std::max(peak, std::abs(subband[c][b][k]));
                int index = 0;
                while (index < 62 && scalefactor(index + 1) >= peak)
                    ++index;
                scfIndex[c][k] = peak < 1e-6 ? -1 : index;
            }

        // Greedy allocation: the band with the loudest quantisation noise gets the next bit.
        std::int64_t budget = std::int64_t(frameBits) - 32 - kSubbands * channels * 4;
        for (;;) {
            int bestC = -1, bestK = -1;
            double bestNoise = 0.0;
            for (int c = 0; c < channels; ++c)
                for (int k = 0; k < kSubbands; ++k) {
                    if (scfIndex[c][k] < 0 || bits[c][k] >= 15)
                        continue;
                    const int cost = bits[c][k] == 0 ? 6 + kBlocks * 2 : kBlocks;
                    if (cost > budget)
                        continue;
                    const double noise = scalefactor(scfIndex[c][k]) * std::pow(2.0, -bits[c][k]);
                    if (noise > bestNoise) {
                        bestNoise = noise;
                        bestC = c;
                        bestK = k;
                    }
                }
            if (bestC < 0)
                break;
            int& b = bits[bestC][bestK];
            budget -= b == 0 ? 6 + kBlocks * 2 : kBlocks;
            b = b == 0 ? 2 : b + 1;
        }

        BitWriter w;
        w.put(0xffff, 16); // sync, MPEG-1, Layer I, no CRC
        w.put(std::uint32_t(kBitrateIndex << 4 | rateIndex << 2 | (padding ? 2 : 0)), 8);
        // Single channel or stereo; no mode extension, copyright, original or emphasis.
        w.put(channels == 1 ? 0xc0 : 0, 8);
        for (int k = 0; k < kSubbands; ++k)
            for (int c = 0; c < channels; ++c)
                w.put(bits[c][k] == 0 ? 0 : std::uint32_t(bits[c][k] - 1), 4);
        for (int k = 0; k < kSubbands; ++k)
            for (int c = 0; c < channels; ++c)
                if (bits[c][k] != 0)
                    w.put(std::uint32_t(scfIndex[c][k]), 6);
        for (int b = 0; b < kBlocks; ++b)
            for (int k = 0; k < kSubbands; ++k)
                for (int c = 0; c < channels; ++c) {
                    const int nb = bits[c][k];
                    if (nb == 0)
                        continue;
                    // The decoder computes (2c - (L - 1)) / L * scalefactor, L = 2^nb - 1;
                    // the all-ones code is forbidden, hence the upper limit L - 1.
                    const double levels = double((1 << nb) - 1);
                    const double x = subband[c][b][k] / scalefactor(scfIndex[c][k]);
                    const auto code = std::clamp(std::lround((x * levels + levels - 1.0) / 2.0), 0L,
                                                 long(levels) - 1);
                    w.put(std::uint32_t(code), nb);
                }
        w.padTo(frameBits);
        file.insert(file.end(), w.bytes().begin(), w.bytes().end());
    }

    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(reinterpret_cast<const char*>(file.data()),
                                                       qint64(file.size())) == qint64(file.size());
}

} // namespace kalvor::testmedia
