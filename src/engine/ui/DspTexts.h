// Captions of the "DSP Effects" window, English first, German second. UI thread.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText DspTitle{"DSP Effects", "DSP Effekte"};
inline constexpr UiText DspChannel{"Channel", "Kanal"};
inline constexpr UiText DspAlwaysOnTop{"Always on top", "Immer oben"};
inline constexpr UiText DspLockChannels{"Lock channel numbers", "Kanalnummern verbinden"};
inline constexpr UiText DspFxChain{"FX Chain", "FX Reihenfolge"};
inline constexpr UiText DspClose{"Close", "Schliessen"};
inline constexpr UiText DspOn{"On", "Ein"};

inline constexpr UiText DspReverb{"Reverb", "Hall"};
inline constexpr UiText DspDelay{"Delay", "Delay"};
inline constexpr UiText DspChorus{"Chorus", "Chorus"};
inline constexpr UiText DspFlanger{"Flanger", "Flanger"};
inline constexpr UiText DspVariSpeed{"VariSpeed", "VariSpeed"};

inline constexpr UiText DspInGain{"In Gain", "Eingang"};
inline constexpr UiText DspMix{"Mix", "Mix"};
inline constexpr UiText DspTime{"Time", "Zeit"};
inline constexpr UiText DspHfRatio{"HF Ratio", "HF Ratio"};
inline constexpr UiText DspFeedback{"Feedback", "Feedback"};
inline constexpr UiText DspLeft{"Left", "Links"};
inline constexpr UiText DspRight{"Right", "Rechts"};
inline constexpr UiText DspPanDelay{"Pan delay", "Pan Delay"};
inline constexpr UiText DspDepth{"Depth", "Tiefe"};
inline constexpr UiText DspRate{"LFO Rate", "LFO Frequenz"};
inline constexpr UiText DspPreDelay{"Delay", "Verzögerung"};
inline constexpr UiText DspPhase{"Phase", "Phase"};
inline constexpr UiText DspWaveform{"Waveform", "Wellenform"};
inline constexpr UiText DspSine{"Sine", "Sinus"};
inline constexpr UiText DspTriangle{"Triangle", "Dreieck"};
inline constexpr UiText DspSpeed{"Speed", "Tempo"};
// As the main window shows the load: "CPU Load: 12 %".
inline constexpr UiText DspCpu{"CPU Load: ", "CPU Last: "};

} // namespace kalvor::texts
