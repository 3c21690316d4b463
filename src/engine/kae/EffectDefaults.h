// Effect parameters at engine start-up, and the parameter blocks the audio library takes
// for each effect. Both follow the DirectX 8 effect set, because that is what show files
// store and what the effect knobs' ranges come from. UI thread.
#pragma once

#include "core/EffectSettings.h"

#include <cstdint>

namespace kalvor::engine {

// The parameter blocks handed to AudioLib::fxSetParameters, laid out as the DirectX 8
// structures (floats, with 32-bit integers where DirectX has LONG).
struct Dx8ParamEq {
    float center;
    float bandwidth;
    float gain;
};
struct Dx8WavesReverb {
    float inGain;
    float reverbMix;
    float reverbTime;
    float highFreqRtRatio;
};
struct Dx8Echo {
    float wetDryMix;
    float feedback;
    float leftDelay;
    float rightDelay;
    std::int32_t panDelay;
};
struct Dx8Modulation { // chorus and flanger
    float wetDryMix;
    float depth;
    float feedback;
    float frequency;
    std::int32_t waveform;
    float delay;
    std::int32_t phase;
};

Dx8ParamEq toDx8(const EqBand& band);
Dx8WavesReverb toDx8(const ReverbParams& reverb);
Dx8Echo toDx8(const DelayParams& delay);
Dx8Modulation toDx8(const ModulationParams& modulation);

// Centres of the equaliser's low, mid and high band at start-up.
inline constexpr float kEqLowCenter = 125.0f;
inline constexpr float kEqMidCenter = 1000.0f;
inline constexpr float kEqHighCenter = 8000.0f;

// The DirectX 8 defaults of every effect (the equaliser's bands at the centres above),
// leaving the on/off flags and the chain as they are.
void setDefaultEffectParameters(EffectSettings& effects);

} // namespace kalvor::engine
