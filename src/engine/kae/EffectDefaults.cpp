// Effect start-up values and parameter blocks; see EffectDefaults.h. UI thread.
#include "engine/kae/EffectDefaults.h"

namespace kalvor::engine {

dsp::DsfxParamEq toDx8(const EqBand& band) {
    return {band.center, band.bandwidth, band.gain};
}

dsp::DsfxWavesReverb toDx8(const ReverbParams& reverb) {
    return {reverb.inGain, reverb.reverbMix, reverb.reverbTime, reverb.highFreqRtRatio};
}

dsp::DsfxEcho toDx8(const DelayParams& delay) {
    return {delay.wetDryMix, delay.feedback, delay.leftDelay, delay.rightDelay, delay.panDelay};
}

dsp::DsfxModulation toDx8(const ModulationParams& m) {
    return {m.wetDryMix, m.depth, m.feedback, m.frequency, m.waveform, m.delay, m.phase};
}

namespace {

ModulationParams fromDx8(const dsp::DsfxModulation& m) {
    return {m.wetDryMix, m.depth, m.feedback, m.frequency, m.waveform, m.delay, m.phase};
}

} // namespace

void setDefaultEffectParameters(EffectSettings& effects) {
    // DirectX 8 starts a parametric band at 8000 Hz, one octave (12 semitones) wide, flat.
    // Our three bands keep that width and gain and sit three octaves apart, low/mid/high:
    // 125 Hz (body of voices and bass), 1 kHz (presence), 8 kHz (the DirectX default, air).
    // so one-octave bands never overlap at start-up,
    // and all lie inside the 80..16000 Hz the effect accepts.
    effects.eq = {EqBand{kEqLowCenter, 12.0f, 0.0f}, EqBand{kEqMidCenter, 12.0f, 0.0f},
                  EqBand{kEqHighCenter, 12.0f, 0.0f}};
    // The other four start where the DirectX 8 effects start (the effects' own defaults):
    // reverb 0 dB in, 0 dB mix, 1000 ms, ratio 0.001; echo 50 % wet, 50 % feedback,
    // 500/500 ms, no pan delay; chorus 50/10/25/1.1 Hz/sine/16 ms/90 degrees; flanger
    // 50/100/-50/0.25 Hz/sine/2 ms/0 degrees.
    const dsp::DsfxWavesReverb reverb;
    effects.reverb =
        ReverbParams{reverb.inGain, reverb.reverbMix, reverb.reverbTime, reverb.highFreqRtRatio};
    const dsp::DsfxEcho echo;
    effects.delay =
        DelayParams{echo.wetDryMix, echo.feedback, echo.leftDelay, echo.rightDelay, echo.panDelay};
    effects.chorus = fromDx8(dsp::DsfxChorus{});
    effects.flanger = fromDx8(dsp::DsfxFlanger{});
}

} // namespace kalvor::engine
