// The parameter blocks of our five effects, with the meanings, ranges and defaults of the
// DirectX 8 effect set, because that is what show files store and what the effect knobs
// were made for. Each block has the memory layout of its DirectX structure (floats, and
// 32-bit integers where DirectX has LONG), so the engine can hand a block through the
// audio library's `const void*` parameter call unchanged.
//
// Plain data and pure functions: any thread.
#pragma once

#include <cstdint>
#include <type_traits>

namespace kalvor::engine::dsp {

// Parametric equaliser band (one effect per band).
struct DsfxParamEq {
    float center = 8000.0f;  // Hz, 80..16000 (and never above 0.4 x the stream's rate)
    float bandwidth = 12.0f; // semitones, 1..36
    float gain = 0.0f;       // dB, -15..15
};

// Reverb. The channel record keeps these in another order; see wavesReverbFromRecordOrder.
struct DsfxWavesReverb {
    float inGain = 0.0f;            // dB, -96..0, applied to the effect's input
    float reverbMix = 0.0f;         // dB, -96..0; 0 is all reverb, -96 all direct sound
    float reverbTime = 1000.0f;     // ms, 0.001..3000, decay by 60 dB
    float highFreqRtRatio = 0.001f; // 0.001..0.999, decay time of the highs / reverbTime
};

// Echo (delay).
struct DsfxEcho {
    float wetDryMix = 50.0f;   // %, 0 all direct sound .. 100 all echo
    float feedback = 50.0f;    // %, 0..100 of the echo fed back into the delay
    float leftDelay = 500.0f;  // ms, 1..2000
    float rightDelay = 500.0f; // ms, 1..2000
    std::int32_t panDelay = 0; // 0 or 1: each repeat crosses to the other side
};

// Chorus and flanger share one shape; only ranges and defaults differ.
struct DsfxModulation {
    float wetDryMix;       // %, 0..100
    float depth;           // %, 0..100 of the delay swept by the LFO
    float feedback;        // %, -99..99
    float frequency;       // Hz, 0..10, LFO rate
    std::int32_t waveform; // 0 triangle, 1 sine
    float delay;           // ms, chorus 0..20, flanger 0..4
    std::int32_t
        phase; // 0..4: LFO phase of the right side against the left, -180..180 deg in 90 deg steps
};

inline constexpr std::int32_t kWaveTriangle = 0;
inline constexpr std::int32_t kWaveSine = 1;
inline constexpr std::int32_t kPhaseNeg180 = 0;
inline constexpr std::int32_t kPhaseNeg90 = 1;
inline constexpr std::int32_t kPhaseZero = 2;
inline constexpr std::int32_t kPhase90 = 3;
inline constexpr std::int32_t kPhase180 = 4;

struct DsfxChorus : DsfxModulation {
    DsfxChorus() : DsfxModulation{50.0f, 10.0f, 25.0f, 1.1f, kWaveSine, 16.0f, kPhase90} {}
};
struct DsfxFlanger : DsfxModulation {
    DsfxFlanger() : DsfxModulation{50.0f, 100.0f, -50.0f, 0.25f, kWaveSine, 2.0f, kPhaseZero} {}
};

// The ranges, in one place, so the knobs and the effects agree.
struct ParamRange {
    float min;
    float max;
};
namespace range {
inline constexpr ParamRange kEqCenter{80.0f, 16000.0f};
inline constexpr ParamRange kEqBandwidth{1.0f, 36.0f};
inline constexpr ParamRange kEqGain{-15.0f, 15.0f};
inline constexpr ParamRange kReverbInGain{-96.0f, 0.0f};
inline constexpr ParamRange kReverbMix{-96.0f, 0.0f};
inline constexpr ParamRange kReverbTime{0.001f, 3000.0f};
inline constexpr ParamRange kReverbHighFreqRtRatio{0.001f, 0.999f};
inline constexpr ParamRange kEchoWetDryMix{0.0f, 100.0f};
inline constexpr ParamRange kEchoFeedback{0.0f, 100.0f};
inline constexpr ParamRange kEchoDelay{1.0f, 2000.0f};
inline constexpr ParamRange kModWetDryMix{0.0f, 100.0f};
inline constexpr ParamRange kModDepth{0.0f, 100.0f};
inline constexpr ParamRange kModFeedback{-99.0f, 99.0f};
inline constexpr ParamRange kModFrequency{0.0f, 10.0f};
inline constexpr ParamRange kChorusDelay{0.0f, 20.0f};
inline constexpr ParamRange kFlangerDelay{0.0f, 4.0f};
} // namespace range

// Clamp every field into its range. Show files hold zeros for effects that were never set
// (a cleared preset), and older files may hold anything; an effect must never run on a
// value outside its range. A NaN becomes the field's default.
DsfxParamEq clamped(const DsfxParamEq& p);
DsfxWavesReverb clamped(const DsfxWavesReverb& p);
DsfxEcho clamped(const DsfxEcho& p);
DsfxChorus clamped(const DsfxChorus& p);
DsfxFlanger clamped(const DsfxFlanger& p);

// The channel record stores the reverb as (input gain, reverb time, reverb mix, high-frequency
// RT ratio); the effect takes (input gain, mix, time, ratio). These two are the only place
// where one order becomes the other.
DsfxWavesReverb wavesReverbFromRecordOrder(const float (&record)[4]);
void wavesReverbToRecordOrder(const DsfxWavesReverb& reverb, float (&record)[4]);

static_assert(std::is_trivially_copyable_v<DsfxParamEq> && sizeof(DsfxParamEq) == 12);
static_assert(std::is_trivially_copyable_v<DsfxWavesReverb> && sizeof(DsfxWavesReverb) == 16);
static_assert(std::is_trivially_copyable_v<DsfxEcho> && sizeof(DsfxEcho) == 20);
static_assert(std::is_trivially_copyable_v<DsfxChorus> && sizeof(DsfxChorus) == 28);
static_assert(std::is_trivially_copyable_v<DsfxFlanger> && sizeof(DsfxFlanger) == 28);

} // namespace kalvor::engine::dsp
