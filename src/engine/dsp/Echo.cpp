// Echo; see Echo.h. allocate: control thread; configure/clear/render: audio thread.
#include "engine/dsp/Echo.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kalvor::engine::dsp {

namespace {
constexpr float kMaxLoopGain = 0.98f;
constexpr double kCrossOverSeconds = 0.01;
} // namespace

int Echo::delayFrames(float ms, int sampleRate) {
    return std::max(1, static_cast<int>(std::lround(double(ms) * sampleRate / 1000.0)));
}

void Echo::allocate() {
    const unsigned longest = static_cast<unsigned>(delayFrames(range::kEchoDelay.max, sampleRate_));
    const unsigned frames = std::bit_ceil(longest + 1);
    line_.assign(std::size_t{frames} * channels_, 0.0f);
    mask_ = frames - 1;
    crossOverFrames_ = std::max(1, static_cast<int>(std::lround(kCrossOverSeconds * sampleRate_)));
}

void Echo::configure(const DsfxEcho& params) noexcept {
    mix_ = params.wetDryMix / 100.0f;
    // 100 % would keep every repeat forever and let a steady sound build up without bound
    // in the loop; the top of the knob stops just short of that.
    feedback_ = std::min(params.feedback / 100.0f, kMaxLoopGain);
    const unsigned left = static_cast<unsigned>(delayFrames(params.leftDelay, sampleRate_));
    const unsigned right = static_cast<unsigned>(delayFrames(params.rightDelay, sampleRate_));
    for (int ch = 0; ch < channels_; ++ch) {
        wanted_[ch] = (ch % 2 == 0) ? left : right;
        // Pairs (0,1), (2,3), ... swap sides on each repeat; a lone last channel (mono, or
        // an odd count) has no partner and feeds itself.
        const int partner = (ch % 2 == 0) ? ch + 1 : ch - 1;
        feedFrom_[ch] = (params.panDelay != 0 && partner < channels_) ? partner : ch;
    }
}

std::size_t Echo::clear() noexcept {
    write_ = 0;
    valid_ = 0;
    // Nothing to cross over from: the line holds no sound yet.
    delay_ = wanted_;
    crossOverLeft_ = 0;
    return 0;
}

void Echo::crossOver(float* interleaved, int frames) noexcept {
    const int channels = channels_;
    std::array<float, kMaxChannels> wet{};
    const auto read = [this, channels](unsigned delay, int ch) {
        return delay > valid_ ? 0.0f : line_[((write_ - delay) & mask_) * channels + ch];
    };
    for (int i = 0; i < frames; ++i) {
        float* frame = interleaved + std::size_t(i) * channels;
        --crossOverLeft_;
        const float k = 1.0f - float(crossOverLeft_) / float(crossOverFrames_);
        for (int ch = 0; ch < channels; ++ch) {
            const float from = read(oldDelay_[ch], ch);
            wet[ch] = from + k * (read(delay_[ch], ch) - from);
        }
        float* slot = line_.data() + std::size_t(write_) * channels;
        for (int ch = 0; ch < channels; ++ch) {
            const float dry = frame[ch];
            slot[ch] = dry + feedback_ * wet[feedFrom_[ch]];
            frame[ch] = dry + mix_ * (wet[ch] - dry);
        }
        write_ = (write_ + 1) & mask_;
        valid_ = std::min(valid_ + 1, mask_ + 1);
    }
}

template <int kChannels, bool kWarm> void Echo::run(float* interleaved, int frames) noexcept {
    const int channels = kChannels > 0 ? kChannels : channels_;
    const unsigned mask = mask_;
    const float mix = mix_;
    const float feedback = feedback_;
    const std::array<unsigned, kMaxChannels> delay = delay_;
    const std::array<int, kMaxChannels> feedFrom = feedFrom_;
    float* line = line_.data();
    unsigned write = write_;
    unsigned valid = valid_;
    std::array<float, kMaxChannels> wet{};
    for (int i = 0; i < frames; ++i) {
        float* frame = interleaved + std::size_t(i) * channels;
        for (int ch = 0; ch < channels; ++ch) {
            if (kWarm && delay[ch] > valid)
                wet[ch] = 0.0f;
            else
                wet[ch] = line[((write - delay[ch]) & mask) * channels + ch];
        }
        float* slot = line + std::size_t(write) * channels;
        for (int ch = 0; ch < channels; ++ch) {
            const float dry = frame[ch];
            slot[ch] = dry + feedback * wet[feedFrom[ch]];
            // dry + mix * (wet - dry): mix 0 leaves the sample exactly as it was.
            frame[ch] = dry + mix * (wet[ch] - dry);
        }
        write = (write + 1) & mask;
        if (kWarm)
            valid = std::min(valid + 1, mask + 1);
    }
    // Kept up to date here too, or a delay turned up later would read silence from a line
    // that holds the sound.
    if (!kWarm)
        valid = std::min(valid + static_cast<unsigned>(frames), mask + 1);
    write_ = write;
    valid_ = valid;
}

template <bool kWarm> void Echo::dispatch(float* interleaved, int frames) noexcept {
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

void Echo::render(float* interleaved, int frames) noexcept {
    if (crossOverLeft_ == 0 && wanted_ != delay_) {
        oldDelay_ = delay_;
        delay_ = wanted_;
        crossOverLeft_ = crossOverFrames_;
    }
    if (crossOverLeft_ > 0) {
        const int n = std::min(frames, crossOverLeft_);
        crossOver(interleaved, n);
        interleaved += std::size_t(n) * channels_;
        frames -= n;
        if (frames == 0)
            return;
    }
    // Until the ring holds as much as the longest delay reaches back, each read is checked.
    unsigned reach = 0;
    for (int ch = 0; ch < channels_; ++ch)
        reach = std::max(reach, delay_[ch]);
    if (valid_ < reach)
        dispatch<true>(interleaved, frames);
    else
        dispatch<false>(interleaved, frames);
}

} // namespace kalvor::engine::dsp
