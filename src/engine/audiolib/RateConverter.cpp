#include "engine/audiolib/RateConverter.h"

#include "engine/audiolib/PolyphaseConverter.h"

#include <samplerate.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace kalvor::audio {
namespace {

double clampRatio(double r) {
    return std::clamp(r, RateConverter::kMinRatio, 1.0 / RateConverter::kMinRatio);
}

class SamplerateConverter final : public RateConverter {
public:
    explicit SamplerateConverter(SRC_STATE* s) : s_(s) {}
    ~SamplerateConverter() override { src_delete(s_); }

    void reset() noexcept override { src_reset(s_); }
    void setRatio(double ratio) noexcept override {
        ratio_ = ratio;
        src_set_ratio(s_, ratio_);
    }
    Result process(const float* in, int inFrames, float* out, int outFrames,
                   bool endOfInput) noexcept override {
        SRC_DATA d{};
        d.data_in = in;
        d.input_frames = inFrames;
        d.data_out = out;
        d.output_frames = outFrames;
        d.src_ratio = ratio_;
        d.end_of_input = endOfInput ? 1 : 0;
        if (src_process(s_, &d) != 0)
            return {0, 0, false};
        return {static_cast<int>(d.input_frames_used), static_cast<int>(d.output_frames_gen), true};
    }

private:
    SRC_STATE* s_;
};

// soxr's variable-rate mode takes the input into its own queue and hands out what it can;
// the queue is sized at creation for the largest input block the mixer feeds.
class SoxrConverter final : public RateConverter {
public:
    explicit SoxrConverter(soxr_t s) : s_(s) {}
    ~SoxrConverter() override { soxr_delete(s_); }

    void reset() noexcept override {
        // Back to the state create() leaves, so a reset signal converts as a fresh one does.
        soxr_clear(s_);
        soxr_set_io_ratio(s_, 1.0, 0);
        soxr_set_io_ratio(s_, 1.0 / ratio_, 0);
    }
    void setRatio(double ratio) noexcept override {
        ratio_ = clampRatio(ratio);
        soxr_set_io_ratio(s_, 1.0 / ratio_, 0);
    }
    Result process(const float* in, int inFrames, float* out, int outFrames,
                   bool endOfInput) noexcept override {
        std::size_t idone = 0;
        std::size_t odone = 0;
        // A null input tells soxr the signal has ended, so it flushes its filter.
        const bool flush = endOfInput && inFrames == 0;
        // soxr takes all the input it is given into its own queue: give it only what this
        // output needs, or the queue (and the work per call) grows without end.
        const int need = static_cast<int>(std::ceil(outFrames / ratio_)) + 2;
        const soxr_error_t e = soxr_process(
            s_, flush ? nullptr : in, static_cast<std::size_t>(std::min(inFrames, need)), &idone,
            out, static_cast<std::size_t>(outFrames), &odone);
        if (e != nullptr)
            return {0, 0, false};
        return {static_cast<int>(idone), static_cast<int>(odone), true};
    }

private:
    soxr_t s_;
};

} // namespace

int RateConverter::inputFor(int outFrames) const noexcept {
    return static_cast<int>(std::ceil(std::max(outFrames, 0) / ratio_)) + kReachFrames;
}

std::unique_ptr<RateConverter> RateConverter::create(Kind kind, int channels) {
    if (channels <= 0)
        return nullptr;
    if (kind == Kind::Polyphase)
        return createPolyphaseConverter(channels);
    if (kind == Kind::Soxr) {
        soxr_error_t e = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        // Quick quality keeps the cost near libsamplerate's; VR lets the ratio move per block.
        const soxr_quality_spec_t q = soxr_quality_spec(SOXR_LQ, SOXR_VR);
        soxr_t s = soxr_create(1.0 / kMinRatio, 1.0, static_cast<unsigned>(channels), &e, &io, &q,
                               nullptr);
        if (s == nullptr || e != nullptr)
            return nullptr;
        auto c = std::unique_ptr<RateConverter>(new (std::nothrow) SoxrConverter(s));
        if (c == nullptr) {
            soxr_delete(s);
            return nullptr;
        }
        c->setRatio(1.0);
        return c;
    }
    int err = 0;
    SRC_STATE* s = src_new(SRC_SINC_FASTEST, channels, &err);
    if (s == nullptr)
        return nullptr;
    auto c = std::unique_ptr<RateConverter>(new (std::nothrow) SamplerateConverter(s));
    if (c == nullptr) {
        src_delete(s);
        return nullptr;
    }
    c->setRatio(1.0);
    return c;
}

} // namespace kalvor::audio
