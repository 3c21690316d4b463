// Effect parameters at engine start-up, and the parameter blocks the audio library takes
// for each effect. Both follow the DirectX 8 effect set, because that is what show files
// store and what the effect knobs' ranges come from. UI thread.
#pragma once

#include "core/EffectSettings.h"
#include "engine/dsp/EffectParams.h"

namespace kalvor::engine {

// The parameter blocks handed to AudioLib::fxSetParameters are the effects' own, laid
// out as the DirectX 8 structures.
dsp::DsfxParamEq toDx8(const EqBand& band);
dsp::DsfxWavesReverb toDx8(const ReverbParams& reverb);
dsp::DsfxEcho toDx8(const DelayParams& delay);
dsp::DsfxModulation toDx8(const ModulationParams& modulation);

// Centres of the equaliser's low, mid and high band at start-up.
inline constexpr float kEqLowCenter = 125.0f;
inline constexpr float kEqMidCenter = 1000.0f;
inline constexpr float kEqHighCenter = 8000.0f;

// The DirectX 8 defaults of every effect (the equaliser's bands at the centres above),
// leaving the on/off flags and the chain as they are.
void setDefaultEffectParameters(EffectSettings& effects);

} // namespace kalvor::engine
