// Reverb: a feedback delay network of eight lines behind four diffusing all-passes.
//
// The lines' loop gains are set from the reverb time, so every path through the network
// loses 60 dB in exactly fReverbTime; a crossover filter in each loop lets the highs
// (above about 4 kHz) lose it in fReverbTime x fHighFreqRTRatio instead. The lines mix
// through an orthogonal (Hadamard) matrix, which keeps the loop lossless apart from those
// gains, so the decay is as set and the tail never rings on one pitch. Input gain scales
// what enters the effect; the mix fades between direct sound (-96 dB) and all reverb (0 dB)
// at roughly constant power, and the reverb's level is normalised for the reverb time, so
// turning either knob does not make the channel jump in level.
//
// The network is fed the average of the channels and each output channel takes its own
// sign pattern of the lines, so the tail is decorrelated across the speakers.
//
// Threads as for every Effect (see Effect.h).
#pragma once

#include "engine/dsp/Effect.h"

#include <array>
#include <vector>

namespace kalvor::engine::dsp {

class WavesReverb final : public EffectWith<DsfxWavesReverb, EffectType::WavesReverb> {
public:
    static constexpr int kLines = 8;
    static constexpr int kDiffusers = 4;

private:
    void allocate() override;
    void configure(const DsfxWavesReverb& params) noexcept override;
    std::size_t clear() noexcept override;
    void render(float* interleaved, int frames) noexcept override;
    template <bool kWarm> void run(float* interleaved, int frames) noexcept;

    // The lines' ring (frames of eight samples) and the all-passes' memory, sized in
    // prepare(); the callback only moves positions within them.
    std::vector<float> ring_;
    unsigned ringMask_ = 0;
    unsigned write_ = 0;
    // Frames written since the last clear (up to the longest line): a line reads silence
    // until it has been written all the way round.
    unsigned valid_ = 0;
    unsigned longest_ = 0;
    std::array<int, kLines> lineLength_{};
    std::vector<float> diffusion_;
    std::array<float*, kDiffusers> diffuser_{};
    std::array<int, kDiffusers> diffuserLength_{};
    std::array<int, kDiffusers> diffuserPos_{};

    std::array<float, kLines> lowGain_{};   // loop gain below the crossover
    std::array<float, kLines> highGain_{};  // loop gain above it
    std::array<float, kLines> crossover_{}; // one-pole low-pass state per line
    float crossoverCoeff_ = 0.0f;
    float inGain_ = 1.0f;
    float wetGain_ = 1.0f; // includes the level normalisation
    float dryGain_ = 0.0f;
};

} // namespace kalvor::engine::dsp
