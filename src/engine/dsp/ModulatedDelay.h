// The engine shared by chorus and flanger: per channel a delay line whose length a
// low-frequency oscillator sweeps, with feedback and a wet/dry mix. The delay swings
// around `delay` by `depth` percent of it (depth 100 sweeps 0..2 x delay); even channels run
// the LFO at phase 0, odd channels at the chosen phase offset (-180..180 degrees), which is
// what spreads the effect across the stereo image.
//
// allocate(): control thread. configure/clear/render: audio thread, no allocation.
#pragma once

#include "engine/dsp/Effect.h"

#include <array>
#include <vector>

namespace kalvor::engine::dsp {

class ModulatedDelay {
public:
    void allocate(int sampleRate, int channels, float maxDelayMs);
    void configure(const DsfxModulation& params, int sampleRate) noexcept;
    std::size_t clear() noexcept; // returns the samples it wrote
    void render(float* interleaved, int frames) noexcept;

private:
    static constexpr int kLfoInterval = 16; // frames between two exact LFO values

    float delayAt(double phase, int channel) const noexcept; // frames
    template <int kChannels, bool kWarm> void run(float* interleaved, int frames) noexcept;
    template <bool kWarm> void dispatch(float* interleaved, int frames) noexcept;

    // Interleaved ring (frames x channels) sized for the longest sweep in allocate(); the
    // callback indexes it with a mask and never resizes it.
    std::vector<float> line_;
    int channels_ = 0;
    unsigned mask_ = 0;
    unsigned write_ = 0;
    // Frames written since the last clear, the current one included (up to the ring's
    // size): the line reads silence from further back.
    unsigned valid_ = 0;
    double lfoPhase_ = 0.0; // cycles, 0..1; double so a slow LFO does not drift
    double lfoStep_ = 0.0;  // cycles per frame
    bool sine_ = true;
    float mix_ = 0.0f;
    float feedback_ = 0.0f;
    float baseDelay_ = 0.0f; // frames
    float sweep_ = 0.0f;     // depth as a fraction of baseDelay_
    float maxDelay_ = 0.0f;  // frames the ring can hold behind the write position
    std::array<float, kMaxChannels> phaseOffset_{}; // cycles
    std::array<float, kMaxChannels> lastWet_{};
    std::array<float, kMaxChannels> delayNow_{};  // frames, where each channel's ramp stands
    std::array<float, kMaxChannels> delayStep_{}; // frames per frame along the current ramp
    int segmentLeft_ = 0;                         // frames until the next exact LFO value
};

} // namespace kalvor::engine::dsp
