// Effect start-up values and parameter blocks; see EffectDefaults.h. UI thread.
#include "engine/kae/EffectDefaults.h"

namespace kalvor::engine {

Dx8ParamEq toDx8(const EqBand& band) {
    return {band.center, band.bandwidth, band.gain};
}

Dx8WavesReverb toDx8(const ReverbParams& reverb) {
    return {reverb.inGain, reverb.reverbMix, reverb.reverbTime, reverb.highFreqRtRatio};
}

Dx8Echo toDx8(const DelayParams& delay) {
    return {delay.wetDryMix, delay.feedback, delay.leftDelay, delay.rightDelay, delay.panDelay};
}

Dx8Modulation toDx8(const ModulationParams& m) {
    return {m.wetDryMix, m.depth, m.feedback, m.frequency, m.waveform, m.delay, m.phase};
}

void setDefaultEffectParameters(EffectSettings& effects) {
    // DirectX 8 starts a parametric band at 8000 Hz, one octave (12 semitones) wide, flat.
    // Our three bands keep that width and gain and sit an octave-spaced low/mid/high apart:
    // 125 Hz (body of voices and bass), 1 kHz (presence), 8 kHz (the DirectX default, air).
    // Each is three octaves from the next, so one-octave bands never overlap at start-up,
    // and all lie inside the 80..16000 Hz the effect accepts.
    effects.eq = {EqBand{kEqLowCenter, 12.0f, 0.0f}, EqBand{kEqMidCenter, 12.0f, 0.0f},
                  EqBand{kEqHighCenter, 12.0f, 0.0f}};
    // Waves reverb: in gain 0 dB, mix 0 dB, 1000 ms, high-frequency ratio 0.001.
    effects.reverb = ReverbParams{0.0f, 0.0f, 1000.0f, 0.001f};
    // Echo: 50 % wet, 50 % feedback, 500 ms each side, no pan delay.
    effects.delay = DelayParams{50.0f, 50.0f, 500.0f, 500.0f, 0};
    // Chorus: 50 % wet, depth 10, feedback 25, 1.1 Hz, sine (1), 16 ms, phase 90 degrees (3).
    effects.chorus = ModulationParams{50.0f, 10.0f, 25.0f, 1.1f, 1, 16.0f, 3};
    // Flanger: 50 % wet, depth 100, feedback -50, 0.25 Hz, sine (1), 2 ms, phase 0 (2).
    effects.flanger = ModulationParams{50.0f, 100.0f, -50.0f, 0.25f, 1, 2.0f, 2};
}

} // namespace kalvor::engine
