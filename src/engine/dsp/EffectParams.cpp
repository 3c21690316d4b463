// Range clamping and the reverb's order conversion; see EffectParams.h. Any thread.
#include "engine/dsp/EffectParams.h"

#include <cmath>

namespace kalvor::engine::dsp {

namespace {

float clampTo(float value, ParamRange r) {
    if (std::isnan(value) || value < r.min)
        return r.min;
    if (value > r.max)
        return r.max;
    return value;
}

std::int32_t clampTo(std::int32_t value, std::int32_t lo, std::int32_t hi) {
    return value < lo ? lo : (value > hi ? hi : value);
}

void clampModulation(DsfxModulation& p, ParamRange delay) {
    p.wetDryMix = clampTo(p.wetDryMix, range::kModWetDryMix);
    p.depth = clampTo(p.depth, range::kModDepth);
    p.feedback = clampTo(p.feedback, range::kModFeedback);
    p.frequency = clampTo(p.frequency, range::kModFrequency);
    p.waveform = clampTo(p.waveform, kWaveTriangle, kWaveSine);
    p.delay = clampTo(p.delay, delay);
    p.phase = clampTo(p.phase, kPhaseNeg180, kPhase180);
}

} // namespace

DsfxParamEq clamped(const DsfxParamEq& p) {
    return {clampTo(p.center, range::kEqCenter), clampTo(p.bandwidth, range::kEqBandwidth),
            clampTo(p.gain, range::kEqGain)};
}

DsfxWavesReverb clamped(const DsfxWavesReverb& p) {
    return {clampTo(p.inGain, range::kReverbInGain), clampTo(p.reverbMix, range::kReverbMix),
            clampTo(p.reverbTime, range::kReverbTime),
            clampTo(p.highFreqRtRatio, range::kReverbHighFreqRtRatio)};
}

DsfxEcho clamped(const DsfxEcho& p) {
    DsfxEcho out;
    out.wetDryMix = clampTo(p.wetDryMix, range::kEchoWetDryMix);
    out.feedback = clampTo(p.feedback, range::kEchoFeedback);
    out.leftDelay = clampTo(p.leftDelay, range::kEchoDelay);
    out.rightDelay = clampTo(p.rightDelay, range::kEchoDelay);
    // Any non-zero value is "on": files written by the old front end store true as -1.
    out.panDelay = p.panDelay != 0 ? 1 : 0;
    return out;
}

DsfxChorus clamped(const DsfxChorus& p) {
    DsfxChorus out = p;
    clampModulation(out, range::kChorusDelay);
    return out;
}

DsfxFlanger clamped(const DsfxFlanger& p) {
    DsfxFlanger out = p;
    clampModulation(out, range::kFlangerDelay);
    return out;
}

DsfxWavesReverb wavesReverbFromRecordOrder(const float (&record)[4]) {
    // record: input gain, reverb time, reverb mix, high-frequency RT ratio
    return {record[0], record[2], record[1], record[3]};
}

void wavesReverbToRecordOrder(const DsfxWavesReverb& reverb, float (&record)[4]) {
    record[0] = reverb.inGain;
    record[1] = reverb.reverbTime;
    record[2] = reverb.reverbMix;
    record[3] = reverb.highFreqRtRatio;
}

} // namespace kalvor::engine::dsp
