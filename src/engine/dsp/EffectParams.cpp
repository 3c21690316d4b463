// Range clamping and the reverb's order conversion; see EffectParams.h. Any thread.
#include "engine/dsp/EffectParams.h"

#include <cmath>

namespace kalvor::engine::dsp {

namespace {

// A value that is no number at all falls back to the field's default, never to an end of
// the range: the low end of the reverb's input gain would silence the channel.
float clampTo(float value, ParamRange r, float fallback) {
    if (std::isnan(value))
        return fallback;
    if (value < r.min)
        return r.min;
    if (value > r.max)
        return r.max;
    return value;
}

std::int32_t clampTo(std::int32_t value, std::int32_t lo, std::int32_t hi) {
    return value < lo ? lo : (value > hi ? hi : value);
}

void clampModulation(DsfxModulation& p, ParamRange delay, const DsfxModulation& d) {
    p.wetDryMix = clampTo(p.wetDryMix, range::kModWetDryMix, d.wetDryMix);
    p.depth = clampTo(p.depth, range::kModDepth, d.depth);
    p.feedback = clampTo(p.feedback, range::kModFeedback, d.feedback);
    p.frequency = clampTo(p.frequency, range::kModFrequency, d.frequency);
    p.waveform = clampTo(p.waveform, kWaveTriangle, kWaveSine);
    p.delay = clampTo(p.delay, delay, d.delay);
    p.phase = clampTo(p.phase, kPhaseNeg180, kPhase180);
}

} // namespace

DsfxParamEq clamped(const DsfxParamEq& p) {
    const DsfxParamEq d;
    return {clampTo(p.center, range::kEqCenter, d.center),
            clampTo(p.bandwidth, range::kEqBandwidth, d.bandwidth),
            clampTo(p.gain, range::kEqGain, d.gain)};
}

DsfxWavesReverb clamped(const DsfxWavesReverb& p) {
    const DsfxWavesReverb d;
    return {clampTo(p.inGain, range::kReverbInGain, d.inGain),
            clampTo(p.reverbMix, range::kReverbMix, d.reverbMix),
            clampTo(p.reverbTime, range::kReverbTime, d.reverbTime),
            clampTo(p.highFreqRtRatio, range::kReverbHighFreqRtRatio, d.highFreqRtRatio)};
}

DsfxEcho clamped(const DsfxEcho& p) {
    const DsfxEcho d;
    DsfxEcho out;
    out.wetDryMix = clampTo(p.wetDryMix, range::kEchoWetDryMix, d.wetDryMix);
    out.feedback = clampTo(p.feedback, range::kEchoFeedback, d.feedback);
    out.leftDelay = clampTo(p.leftDelay, range::kEchoDelay, d.leftDelay);
    out.rightDelay = clampTo(p.rightDelay, range::kEchoDelay, d.rightDelay);
    // Any non-zero value is "on": files written by the old front end store true as -1.
    out.panDelay = p.panDelay != 0 ? 1 : 0;
    return out;
}

DsfxChorus clamped(const DsfxChorus& p) {
    DsfxChorus out = p;
    clampModulation(out, range::kChorusDelay, DsfxChorus{});
    return out;
}

DsfxFlanger clamped(const DsfxFlanger& p) {
    DsfxFlanger out = p;
    clampModulation(out, range::kFlangerDelay, DsfxFlanger{});
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
