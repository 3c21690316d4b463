#include "engine/audiolib/PolyphaseConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

namespace kalvor::audio {
namespace {

// One Kaiser-windowed sinc shared by every converter, sampled kPhases times per input
// frame. 64 taps with the cut-off at 90 % of the lower Nyquist frequency give a passband
// to 80 % and about 98 dB of stop-band rejection: the quality of libsamplerate's fastest
// table at a fraction of its cost, because up-sampling needs only one blended row of
// coefficients per output frame, shared by all channels.
constexpr int kZeros = 32; // zero crossings each side (64 taps)
constexpr int kTaps = 2 * kZeros;
constexpr int kPhases = 256;    // table rows per input frame; blended linearly
constexpr double kCutoff = 0.9; // of the lower Nyquist frequency
constexpr double kBeta = 9.8;   // Kaiser window, about 98 dB
constexpr int kLanes = 8;       // partial sums the compiler keeps in vector registers
// Down-sampling stretches the filter by 1 / ratio; at the smallest ratio it reaches this
// far to each side of the output position, so that much input history is always kept.
constexpr int kMaxReach = static_cast<int>(kZeros / RateConverter::kMinRatio) + 2;
// Input taken per call at most, beyond what the filter keeps around the position.
constexpr int kChunk = 8192;

static_assert(kTaps % kLanes == 0);

double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 64; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

struct Kernel {
    // proto[m] = h(m / kPhases) for m in [0, kZeros * kPhases], and a zero guard after.
    std::vector<float> proto;
    // Row p holds the taps for an output kPhases-ths p past an input frame, tap k standing
    // for input frame (k - kZeros + 1); kPhases + 1 rows so that row p + 1 always exists.
    std::vector<float> rows;

    Kernel() {
        const int n = kZeros * kPhases;
        proto.assign(static_cast<std::size_t>(n) + 2, 0.0f);
        const double i0b = besselI0(kBeta);
        for (int m = 0; m < n; ++m) {
            const double d = static_cast<double>(m) / kPhases;
            const double x = std::numbers::pi * kCutoff * d;
            const double sinc = m == 0 ? 1.0 : std::sin(x) / x;
            const double w = d / kZeros;
            proto[static_cast<std::size_t>(m)] =
                static_cast<float>(kCutoff * sinc * besselI0(kBeta * std::sqrt(1 - w * w)) / i0b);
        }
        rows.resize(static_cast<std::size_t>(kPhases + 1) * kTaps);
        for (int p = 0; p <= kPhases; ++p)
            for (int k = 0; k < kTaps; ++k) {
                const int m = std::abs((k - kZeros + 1) * kPhases - p);
                rows[static_cast<std::size_t>(p) * kTaps + static_cast<std::size_t>(k)] =
                    proto[static_cast<std::size_t>(m)];
            }
    }
};

const Kernel& kernel() {
    static const Kernel k; // built by the first create(), never in the callback
    return k;
}

// The inner loops are plain loops for the compiler to vectorise; on x86-64 they are also
// built for AVX2 and FMA, picked at load time where the processor has them.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KALVOR_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define KALVOR_VECTOR_CLONES
#endif

// Eight floats the compiler treats as one vector (two SSE registers, or one AVX register).
typedef float Lanes __attribute__((vector_size(kLanes * sizeof(float))));
inline float dot(const float* a, const float* x, int n) noexcept {
    float lane[kLanes] = {};
    int i = 0;
    for (; i + kLanes <= n; i += kLanes)
        for (int j = 0; j < kLanes; ++j)
            lane[j] += a[i + j] * x[i + j];
    float s = 0;
    for (; i < n; ++i)
        s += a[i] * x[i];
    for (float v : lane)
        s += v;
    return s;
}

// Up-sampling (ratio >= 1) keeps the cut-off at the input's Nyquist frequency: the taps
// for a position are the two nearest table rows blended, computed once per output frame
// and shared by the channels. Makes frames while the filter's right side has input and
// the position is before `end`; returns how many. x: planar input, channels `stride` apart.
KALVOR_VECTOR_CLONES int upsample(const float* rows, const float* x, std::ptrdiff_t stride,
                                  int channels, int fill, double end, double step, double& pos,
                                  float* w, float* out, int outFrames) noexcept {
    int made = 0;
    for (; made < outFrames && pos < end; ++made, pos += step) {
        const auto i0 = static_cast<int>(pos);
        if (i0 + kZeros >= fill)
            break;
        const double p = (pos - i0) * kPhases;
        const int row = std::min(static_cast<int>(p), kPhases - 1);
        const auto f = static_cast<float>(p - row);
        const float* a = rows + static_cast<std::ptrdiff_t>(row) * kTaps;
        const float* b = a + kTaps;
        const float* first = x + i0 - kZeros + 1;
        float* frame = out + static_cast<std::ptrdiff_t>(made) * channels;
        if (channels == 2) {
            // Stereo, the common case: the blended taps stay in registers for both sums.
            Lanes l{}, r{};
            const float* xr = first + stride;
            for (int k = 0; k < kTaps; k += kLanes) {
                Lanes wa, wb, xl, xrk;
                std::memcpy(&wa, a + k, sizeof wa);
                std::memcpy(&wb, b + k, sizeof wb);
                std::memcpy(&xl, first + k, sizeof xl);
                std::memcpy(&xrk, xr + k, sizeof xrk);
                const Lanes wk = wa + f * (wb - wa);
                l += wk * xl;
                r += wk * xrk;
            }
            float sl = 0, sr = 0;
            for (int j = 0; j < kLanes; ++j) {
                sl += l[j];
                sr += r[j];
            }
            frame[0] = sl;
            frame[1] = sr;
            continue;
        }
        for (int k = 0; k < kTaps; ++k)
            w[k] = a[k] + f * (b[k] - a[k]);
        for (int c = 0; c < channels; ++c)
            frame[c] = dot(w, first + c * stride, kTaps);
    }
    return made;
}

KALVOR_VECTOR_CLONES void apply(const float* w, int n, const float* x, std::ptrdiff_t stride,
                                int channels, float* frame) noexcept {
    for (int c = 0; c < channels; ++c)
        frame[c] = dot(w, x + c * stride, n);
}

// Input is kept per channel (planar) so every dot product runs over contiguous memory.
// Positions are in frames of that buffer; pos_ is where the next output frame falls.
class PolyphaseConverter final : public RateConverter {
public:
    PolyphaseConverter(int channels, const Kernel& k)
        : k_(k), ch_(channels), cap_(2 * kMaxReach + kChunk + kMaxReach + 1),
          // Zeroed here, on the UI thread: a page first written in the callback is a page
          // fault there, and the input moves through this buffer a page every few periods.
          buf_(new float[static_cast<std::size_t>(cap_) * static_cast<std::size_t>(channels)]()),
          weights_(new float[2 * kMaxReach + kLanes]()) {
        reset();
    }

    void reset() noexcept override {
        // A converter that has converted nothing since its last reset is as a reset leaves
        // it: a stream's first start (and 32 of them at a recall) pays no clearing in the
        // callback.
        if (fresh_)
            return;
        // The history before the first frame is silence, as for a sound starting.
        for (int c = 0; c < ch_; ++c)
            std::fill_n(channel(c), kMaxReach, 0.0f);
        fill_ = kMaxReach;
        pos_ = kMaxReach;
        endAt_ = -1;
        fresh_ = true;
    }

    void setRatio(double ratio) noexcept override {
        // A ratio that is no number would make the position one too: keep the last good one.
        if (std::isfinite(ratio) && ratio > 0)
            ratio_ = std::clamp(ratio, kMinRatio, kMaxPolyphaseRatio);
    }

    // Exactly what process() takes: the filter holds no input back beyond its reach.
    int inputFor(int outFrames) const noexcept override {
        if (endAt_ >= 0)
            return 0;
        return static_cast<int>(std::max<long long>(needEnd(outFrames) - fill_, 0));
    }

    Result process(const float* in, int inFrames, float* out, int outFrames,
                   bool endOfInput) noexcept override {
        if (inFrames < 0 || outFrames < 0 || (inFrames > 0 && in == nullptr))
            return {0, 0, false};
        fresh_ = false;
        const double step = 1.0 / ratio_;
        const int reach = reachFrames();
        int used = 0;
        if (endAt_ < 0) {
            // Take only the input these output frames need: what is left stays with the
            // caller, so its buffer and ours stay bounded whatever the ratio.
            long long want = std::clamp<long long>(needEnd(outFrames) - fill_, 0, inFrames);
            if (fill_ + want + kMaxReach + 1 > cap_)
                compact();
            want = std::min<long long>(want, cap_ - fill_ - kMaxReach - 1);
            used = static_cast<int>(std::max<long long>(want, 0));
            append(in, used);
            if (endOfInput && used == inFrames) {
                // The signal ends here: the filter's right side sees silence after it.
                endAt_ = fill_;
                for (int c = 0; c < ch_; ++c)
                    std::fill_n(channel(c) + fill_, kMaxReach + 1, 0.0f);
                fill_ += kMaxReach + 1;
            }
        }
        const double end = endAt_ >= 0 ? static_cast<double>(endAt_) : HUGE_VAL;
        if (ratio_ >= 1.0)
            return {used,
                    upsample(k_.rows.data(), channel(0), cap_, ch_, fill_, end, step, pos_,
                             weights_.get(), out, outFrames),
                    true};
        int made = 0;
        for (; made < outFrames && pos_ < end; ++made, pos_ += step) {
            const auto i0 = static_cast<int>(pos_);
            if (i0 + reach >= fill_)
                break;
            downsample(i0, reach, out + static_cast<std::ptrdiff_t>(made) * ch_);
        }
        return {used, made, true};
    }

private:
    // Input frames the filter reads on each side of the position.
    int reachFrames() const noexcept {
        return ratio_ >= 1.0 ? kZeros : static_cast<int>(kZeros * (1.0 / ratio_)) + 1;
    }
    // One past the last input frame (in our buffer) that `outFrames` output frames read.
    long long needEnd(int outFrames) const noexcept {
        const double last = pos_ + std::max(outFrames - 1, 0) * (1.0 / ratio_);
        return static_cast<long long>(std::floor(last)) + reachFrames() + 1;
    }

    float* channel(int c) noexcept { return buf_.get() + static_cast<std::ptrdiff_t>(c) * cap_; }

    void append(const float* in, int frames) noexcept {
        for (int c = 0; c < ch_; ++c) {
            float* dst = channel(c) + fill_;
            for (int i = 0; i < frames; ++i)
                dst[i] = in[static_cast<std::ptrdiff_t>(i) * ch_ + c];
        }
        fill_ += frames;
    }

    // Drops the input the filter can no longer reach (seldom: the buffer is many periods).
    void compact() noexcept {
        const int from = std::max(0, static_cast<int>(pos_) - kMaxReach);
        if (from == 0)
            return;
        for (int c = 0; c < ch_; ++c)
            std::memmove(channel(c), channel(c) + from,
                         sizeof(float) * static_cast<std::size_t>(fill_ - from));
        fill_ -= from;
        pos_ -= from;
        if (endAt_ >= 0)
            endAt_ -= from;
    }

    // Ratio < 1: the cut-off moves down to the output's Nyquist frequency, so the filter is
    // stretched by 1 / ratio and read from the table between its samples.
    void downsample(int i0, int reach, float* frame) noexcept {
        const int first = i0 - reach + 1, n = 2 * reach;
        const double scale = ratio_ * kPhases;
        constexpr double limit = static_cast<double>(kZeros) * kPhases;
        float* w = weights_.get();
        for (int i = 0; i < n; ++i) {
            const double a = std::abs((first + i - pos_) * scale);
            if (a >= limit) {
                w[i] = 0;
                continue;
            }
            const auto m = static_cast<int>(a);
            const auto f = static_cast<float>(a - m);
            const float h0 = k_.proto[static_cast<std::size_t>(m)];
            const float h1 = k_.proto[static_cast<std::size_t>(m) + 1];
            w[i] = static_cast<float>(ratio_) * (h0 + f * (h1 - h0));
        }
        apply(w, n, channel(0) + first, cap_, ch_, frame);
    }

    const Kernel& k_;
    int ch_;
    int cap_;
    std::unique_ptr<float[]> buf_;
    std::unique_ptr<float[]> weights_;
    int fill_ = 0;
    double pos_ = 0;
    long long endAt_ = -1;
    bool fresh_ = false; // nothing converted since the last reset
};

} // namespace

std::unique_ptr<RateConverter> createPolyphaseConverter(int channels) {
    if (channels <= 0 || channels > 64)
        return nullptr;
    try {
        auto c = std::make_unique<PolyphaseConverter>(channels, kernel());
        c->setRatio(1.0);
        return c;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace kalvor::audio
