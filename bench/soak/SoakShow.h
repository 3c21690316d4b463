// The soak's show: 32 channels of looping 44.1 kHz tones, every effect of the chain on,
// fades on most channels, four presets that start different sets of channels; the script
// of GOs, recalls, fades and output moves it is played with; and what each channel may
// contribute to the output at a moment (for the click analysis). UI thread.
#pragma once

#include "ClickAnalysis.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace kalvor {
class ShowLayer;
class ShowStore;
namespace audio {
class AudioLib;
}
} // namespace kalvor

namespace kalvor::soak {

inline constexpr int kSoakChannels = 32;
inline constexpr int kSoakPresets = 4;
inline constexpr int kSoundRate = 44100;

// Writes one looping tone per channel into `folder` (low tones whose loops close without
// a step, of different lengths so that wraps fall in different periods). Empty on error.
QStringList writeSoakSounds(const QString& folder);

// Fills the loaded store of `show` with the soak's channels (the first `channels` sound
// lists), effects and presets, and loads the sounds. Every channel is on `output`.
void buildSoakShow(ShowLayer& show, const QStringList& sounds, int channels, const QString& output);

// A script of `seconds` in the language of `kalvor-tool render`: presses (GO, with the
// channel's fades), stops, pauses, volume and pan moves, seeks, recalls, and moves between
// `output` and `otherOutput`. The same seed gives the same script.
QString soakScript(double seconds, std::uint32_t seed, int channels, const QString& output,
                   const QString& otherOutput);

// Notes in `envelope`, at `frame` of the recording, the gain each channel may have on
// `output` now: its volume (which fades never exceed) while it plays there, else 0. A
// channel `arriving` (about to be moved there) counts as there already while it plays.
void noteGains(ShowLayer& show, const QString& output, std::int64_t frame, GainEnvelope& envelope,
               int arriving = -1);

// Each channel's largest step and peak alone at 0 dB through its effects, measured on the
// offline device at `rate` over `seconds` of play.
// Builds the soak show on an engine of its own on the offline device (a home of its own,
// `rate` Hz) and hands it to `play` with the name of the one output; the engine is shut
// down after. What the offline measurements and the self-check render through.
using OfflinePlay =
    std::function<void(ShowLayer&, ShowStore&, audio::AudioLib&, const QString& output)>;
void playOfflineSoakShow(const QStringList& sounds, int channels, int rate,
                         const OfflinePlay& play);

std::vector<SourceStep> measureSourceSteps(const QStringList& sounds, int channels, int rate,
                                           double seconds);

// The engine's stop/seek/start ramp (3 ms) at a rate, in frames.
int rampFrames(int rate);

} // namespace kalvor::soak
