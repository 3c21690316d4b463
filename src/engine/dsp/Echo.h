// Echo: a delay line per channel with feedback. Even channels (left, front left, ...) take
// the left delay, odd channels the right delay, both rounded to whole samples so a repeat
// lands exactly where the knob says. With pan delay each repeat crosses to the partner
// side, so the delays of the two sides alternate from one repeat to the next.
//
// Threads as for every Effect (see Effect.h).
#pragma once

#include "engine/dsp/Effect.h"

#include <array>
#include <vector>

namespace kalvor::engine::dsp {

class Echo final : public EffectWith<DsfxEcho, EffectType::Echo> {
public:
    // The delay in frames that `ms` gives at `sampleRate`. Any thread.
    static int delayFrames(float ms, int sampleRate);

private:
    void allocate() override;
    void configure(const DsfxEcho& params) noexcept override;
    std::size_t clear() noexcept override;
    void render(float* interleaved, int frames) noexcept override;
    template <int kChannels, bool kWarm> void run(float* interleaved, int frames) noexcept;
    template <bool kWarm> void dispatch(float* interleaved, int frames) noexcept;
    void crossOver(float* interleaved, int frames) noexcept;

    // Interleaved ring of the longest delay (2 s) rounded up to a power of two, sized in
    // prepare(); the callback only indexes into it with a mask.
    std::vector<float> line_;
    unsigned mask_ = 0; // frames - 1
    unsigned write_ = 0;
    // Frames written since the last clear (up to the ring's size): a repeat from further
    // back is silence, whatever an earlier sound left in the ring.
    unsigned valid_ = 0;
    std::array<unsigned, kMaxChannels> delay_{};
    // A turned delay knob: the repeats cross over from the old delay to the new one in
    // crossOverFrames_, since a jump of the read position is a click. A knob turned on
    // while they cross waits in wanted_ for the next crossing.
    std::array<unsigned, kMaxChannels> wanted_{};
    std::array<unsigned, kMaxChannels> oldDelay_{};
    int crossOverFrames_ = 1;
    int crossOverLeft_ = 0;
    std::array<int, kMaxChannels> feedFrom_{}; // channel whose echo feeds this line
    float mix_ = 0.0f;
    float feedback_ = 0.0f;
};

} // namespace kalvor::engine::dsp
