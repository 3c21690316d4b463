// The stored settings of a channel's effects and fades: shared by the live `Channel`
// record and by every preset, so that store and recall copy one value, not forty.
// Plain data, UI thread.
#pragma once

#include <QString>

#include <array>

namespace kalvor {

// Parameters in the order and ranges of the DirectX 8 effect set, which is what show
// files store. Integers stay integers (wave form, phase, pan delay), as files write them.
struct EqBand {
    float center = 0.0f;    // Hz
    float bandwidth = 0.0f; // semitones
    float gain = 0.0f;      // dB
    friend bool operator==(const EqBand&, const EqBand&) = default;
};

struct ReverbParams {
    float inGain = 0.0f;
    float reverbMix = 0.0f;
    float reverbTime = 0.0f;
    float highFreqRtRatio = 0.0f;
    friend bool operator==(const ReverbParams&, const ReverbParams&) = default;
};

struct DelayParams {
    float wetDryMix = 0.0f;
    float feedback = 0.0f;
    float leftDelay = 0.0f;
    float rightDelay = 0.0f;
    int panDelay = 0;
    friend bool operator==(const DelayParams&, const DelayParams&) = default;
};

// Chorus and flanger share one shape: 4 floats, an integer, a float, an integer.
struct ModulationParams {
    float wetDryMix = 0.0f;
    float depth = 0.0f;
    float feedback = 0.0f;
    float frequency = 0.0f;
    int waveform = 0;
    float delay = 0.0f;
    int phase = 0;
    friend bool operator==(const ModulationParams&, const ModulationParams&) = default;
};

inline const std::array<QString, 5>& defaultFxChain() {
    static const std::array<QString, 5> chain{QStringLiteral("EQ"), QStringLiteral("REVERB"),
                                              QStringLiteral("DELAY"), QStringLiteral("CHORUS"),
                                              QStringLiteral("FLANGER")};
    return chain;
}

// A place of the chain that holds no effect.
inline const QString& emptyFxPlace() {
    static const QString place = QStringLiteral("---");
    return place;
}

struct EffectSettings {
    bool eqActive = false;
    std::array<EqBand, 3> eq{}; // low, mid, high
    bool reverbActive = false;
    ReverbParams reverb{};
    bool delayActive = false;
    DelayParams delay{};
    bool chorusActive = false;
    ModulationParams chorus{};
    bool flangerActive = false;
    ModulationParams flanger{};
    std::array<QString, 5> fxChain = defaultFxChain();
    friend bool operator==(const EffectSettings&, const EffectSettings&) = default;
};

struct FadeSettings {
    int time = 0; // ms
    bool active = false;
    int curve = 0;
    friend bool operator==(const FadeSettings&, const FadeSettings&) = default;
};

} // namespace kalvor
