// The common face of our five effects (parametric EQ band, reverb, echo, chorus, flanger),
// which run on a stream's interleaved float frames at the stream's own rate, 1..8 channels,
// in the order of the channel's effect chain.
//
// Threads:
//  * control thread (the UI thread, or whoever owns the effect): construction, prepare(),
//    setParameters(), getParameters(). Never two of these at once.
//  * audio thread: process() and reset(). They never lock, allocate, free, log or touch a
//    file. prepare() must not run while process() may (attach an effect to a stream only
//    after preparing it); setParameters() may run at any time, also while process() runs:
//    the block travels through a lock-free mailbox and takes effect at the next process().
#pragma once

#include "engine/dsp/DenormalGuard.h"
#include "engine/dsp/EffectParams.h"
#include "engine/dsp/ParameterMailbox.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace kalvor::engine::dsp {

// The type numbers of the DirectX 8 effect set, as the audio library's FX calls number them.
enum class EffectType : int { Chorus = 0, Echo = 3, Flanger = 4, ParamEq = 7, WavesReverb = 8 };

inline constexpr int kMaxChannels = 8;

class Effect {
public:
    virtual ~Effect();

    virtual EffectType type() const = 0;
    // Size of this effect's parameter block (the DirectX structure) in bytes.
    virtual std::size_t parameterSize() const = 0;

    // Sizes the effect's memory for a stream; false (and process() passes the sound through)
    // for a rate <= 0 or a channel count outside 1..8. Clears the effect's history.
    virtual bool prepare(int sampleRate, int channels) = 0;
    // `params` points at this effect's DirectX structure; values outside the ranges are
    // clamped into them (zeros from a cleared preset are normal input).
    virtual void setParameters(const void* params) = 0;
    // Writes the clamped block that was last set (the defaults until then).
    virtual void getParameters(void* params) const = 0;

    // Audio thread: forget the sound so far (tails, delay lines, filter state).
    virtual void reset() noexcept = 0;
    // Audio thread: processes `frames` interleaved frames of the prepared channel count in
    // place.
    virtual void process(float* interleaved, int frames) noexcept = 0;

    // Audio thread: switched on or off while the stream sounds, the effect glides between
    // the sound as it comes in and its own sound over a few milliseconds instead of
    // jumping (a jump is a click). fadeIn() starts from the sound as it comes in;
    // fadeOut() glides back to it, after which the effect passes the sound through
    // untouched and bypassed() is true.
    void fadeIn() noexcept {
        presence_ = 0.0f;
        target_ = 1.0f;
    }
    void fadeOut() noexcept { target_ = 0.0f; }
    bool bypassed() const noexcept { return presence_ == 0.0f && target_ == 0.0f; }

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    // Samples the last reset() wrote: what a restart costs the callback.
    std::size_t lastResetSamples() const { return lastReset_; }

protected:
    int sampleRate_ = 0;
    int channels_ = 0;
    std::size_t lastReset_ = 0;
    float presence_ = 1.0f; // 0 the sound as it comes in .. 1 the effect's sound
    float target_ = 1.0f;
};

// Shared plumbing of every effect: parameter clamping and hand-over, preparing, and the
// denormal guard around each block. A concrete effect supplies allocate() (control thread),
// configure() (audio thread: derive coefficients from a block, no allocation), clear() and
// render().
template <typename Params, EffectType kType> class EffectWith : public Effect {
public:
    EffectType type() const final { return kType; }
    std::size_t parameterSize() const final { return sizeof(Params); }

    bool prepare(int sampleRate, int channels) final {
        prepared_ = false;
        if (sampleRate <= 0 || channels < 1 || channels > kMaxChannels)
            return false;
        sampleRate_ = sampleRate;
        channels_ = channels;
        allocate();
        dry_.assign(std::size_t{kGlideChunk} * std::size_t(channels), 0.0f);
        glideStep_ = 1.0f / std::max(1.0f, float(sampleRate) * kGlideSeconds);
        presence_ = target_ = 1.0f;
        // process() is not running (see above), so the control thread may take the
        // mailbox's newest block itself.
        Params pending;
        if (mailbox_.take(pending))
            active_ = pending;
        else
            active_ = control_;
        configure(active_);
        clear();
        prepared_ = true;
        return true;
    }

    void setParameters(const void* params) final {
        if (params == nullptr)
            return;
        Params p;
        std::memcpy(static_cast<void*>(&p), params, sizeof(Params));
        setParameters(p);
    }
    void setParameters(const Params& params) {
        control_ = clamped(params);
        mailbox_.publish(control_);
    }
    void getParameters(void* params) const final {
        if (params != nullptr)
            std::memcpy(params, static_cast<const void*>(&control_), sizeof(Params));
    }
    const Params& parameters() const { return control_; }

    void reset() noexcept final {
        // An effect that has run nothing since it was last cleared has nothing to forget.
        lastReset_ = prepared_ && dirty_ ? clear() : 0;
        dirty_ = false;
    }

    void process(float* interleaved, int frames) noexcept final {
        if (!prepared_ || interleaved == nullptr || frames <= 0)
            return;
        DenormalGuard flushDenormals;
        if (mailbox_.take(active_))
            configure(active_);
        dirty_ = true;
        if (presence_ != target_)
            glide(interleaved, frames);
        else if (presence_ != 0.0f)
            render(interleaved, frames);
    }

protected:
    virtual void allocate() = 0;
    virtual void configure(const Params& params) noexcept = 0;
    // Forgets the sound so far; returns the samples it wrote. It runs in the callback for
    // every stream that restarts, so a long line is not wiped here: the effect counts what
    // it has written since and reads silence from further back.
    virtual std::size_t clear() noexcept = 0;
    virtual void render(float* interleaved, int frames) noexcept = 0;

private:
    static constexpr int kGlideChunk = 256;
    static constexpr float kGlideSeconds = 0.005f;

    // Mixes the incoming sound and the effect's frame by frame on the way between them.
    // Gliding in, the effect also hears the sound start smoothly, or its first echo or
    // reverb would start with the click the glide avoids now.
    void glide(float* interleaved, int frames) noexcept {
        const int channels = channels_;
        for (int start = 0; start < frames; start += kGlideChunk) {
            const int count = std::min(kGlideChunk, frames - start);
            float* block = interleaved + std::size_t(start) * std::size_t(channels);
            const std::size_t samples = std::size_t(count) * std::size_t(channels);
            const float from = presence_;
            const float to = target_;
            const float step = to > from ? glideStep_ : -glideStep_;
            const auto presenceAt = [from, to, step](int i) {
                const float p = from + step * float(i + 1);
                return step > 0.0f ? std::min(p, to) : std::max(p, to);
            };
            std::copy(block, block + samples, dry_.data());
            if (step > 0.0f) {
                for (int i = 0; i < count; ++i)
                    for (int ch = 0; ch < channels; ++ch)
                        block[std::size_t(i * channels + ch)] *= presenceAt(i);
            }
            render(block, count);
            for (int i = 0; i < count; ++i) {
                const float p = presenceAt(i);
                for (int ch = 0; ch < channels; ++ch) {
                    const std::size_t at = std::size_t(i * channels + ch);
                    block[at] = dry_[at] + p * (block[at] - dry_[at]);
                }
            }
            presence_ = presenceAt(count - 1);
        }
    }

    Params control_{}; // control thread's copy: what getParameters() reports
    Params active_{};  // audio thread's copy: what the coefficients were made from
    ParameterMailbox<Params> mailbox_;
    bool prepared_ = false;
    bool dirty_ = false;     // processed sound since the last clear
    std::vector<float> dry_; // the incoming sound of one chunk while gliding, sized in prepare()
    float glideStep_ = 1.0f;
};

// The effect for a type number of the audio library's FX calls; nullptr for a number that
// names none of our five. Control thread.
std::unique_ptr<Effect> createEffect(EffectType type);
std::optional<EffectType> effectTypeFromNumber(int number);

} // namespace kalvor::engine::dsp
