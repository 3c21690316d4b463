// One sample-rate converter per stream, for device-rate conversion and vari-speed alike.
// The mixer sees only this interface, so the library behind it can change without
// touching the callback. Everything that can allocate happens in create(); reset(),
// setRatio() and process() run in the audio callback and never allocate.
#pragma once

#include <memory>

namespace kalvor::audio {

class RateConverter {
public:
    enum class Kind {
        Samplerate, // libsamplerate, windowed sinc (its fastest table)
        Soxr,       // libsoxr in variable-rate mode
        Polyphase,  // the engine's own windowed-sinc polyphase filter
    };
    // The kind streams get: see the engine README for the figures behind the choice.
    static constexpr Kind kDefault = Kind::Polyphase;

    // Input beyond what an output stands for that a converter may need before it gives it:
    // the filter's reach on both sides at the ratios vari-speed and device rates give, with
    // room to spare.
    static constexpr int kReachFrames = 256;

    // ratio = output rate / input rate; vari-speed keeps it within [minRatio, 1 / minRatio].
    static constexpr double kMinRatio = 1.0 / 16;
    // Up-sampling costs the same at any ratio, and a telephone recording (8 kHz) slowed on
    // a 192 kHz device needs 48; the library's lowest frequency (100 Hz) on a 384 kHz
    // device needs 3,840. The engine's own converter goes this far.
    static constexpr double kMaxPolyphaseRatio = 4096;

    // nullptr when the library cannot make one (bad channel count, no memory).
    static std::unique_ptr<RateConverter> create(Kind kind, int channels);

    virtual ~RateConverter() = default;

    // Forget all history: the next frame fed is the start of a fresh signal.
    virtual void reset() noexcept = 0;
    // Takes effect at the next frame out, without a glide (the callers step the ratio
    // at block boundaries, where the ear follows a change of speed without a click).
    virtual void setRatio(double ratio) noexcept = 0;
    double ratio() const noexcept { return ratio_; }

    struct Result {
        int used = 0; // input frames consumed (the caller drops them from its buffer)
        int made = 0; // output frames written
        bool ok = true;
    };
    // Input frames process() takes from the caller to make `outFrames` frames now: what the
    // caller should have ready, and no more, since every frame read before the converter
    // also runs through the stream's effects in the same period. This default (what the
    // output stands for, plus a filter's reach) suits converters that hold input back.
    virtual int inputFor(int outFrames) const noexcept;

    // Interleaved float frames in and out. endOfInput flushes what the filter holds.
    virtual Result process(const float* in, int inFrames, float* out, int outFrames,
                           bool endOfInput) noexcept = 0;

protected:
    double ratio_ = 1.0;
};

} // namespace kalvor::audio
