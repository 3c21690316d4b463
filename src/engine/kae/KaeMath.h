// The engine's arithmetic: rounding, fade levels, frames from bytes, the playback
// frequency, peak levels in dB and the "hh:mm:ss" text. Pure functions without state, so
// the show layer, the meters and the tests compute exactly what the engine does. Any thread.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kalvor {

namespace engine {

// num / den rounded to the nearest integer, halves to even, computed exactly in integers
// (a double in between would turn 10.5 into 10.499999... and round the wrong way).
// `den` must be positive.
std::int64_t roundHalfEvenDiv(std::int64_t num, std::int64_t den);
// A double rounded to the nearest integer, halves to even.
std::int64_t roundHalfEven(double value);

// SampleRate / 100 x VariSpeed + SampleRate, halves to even.
int playbackFrequency(int sampleRate, int variSpeed);

// Level of fade step 1..4 for `volume` and `curve` (1, 2, 3); steps outside 1..4 give 0,
// and an unknown curve gives 0 for steps 1..3.
int fadeInLevel(int volume, int curve, int step);
int fadeOutLevel(int volume, int curve, int step);

// Length of one of the four fade segments: fade time / 4, halves to even.
int fadeSegmentMs(int fadeTimeMs);

// Frames from the library's byte count: / 2 for mono, / 4 for stereo (halves to even),
// whatever the sample format; nullopt for any other channel count.
std::optional<std::int64_t> framesFromBytes(std::int64_t bytes, int fileChannels);
std::optional<std::int64_t> bytesFromFrames(std::int64_t frames, int fileChannels);

// Whole seconds as "hh:mm:ss"; hours grow past two digits when they must.
QString hmsText(std::int64_t seconds);

} // namespace engine

// Peak 0..32768 in whole dB: 20 x log10(p / 32768), halves to even; -99 below 1.
int KAE__LevelToDB(int peak);

} // namespace kalvor
