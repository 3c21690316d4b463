// What the selected channel's settings panel shows, as text and numbers: level and pan
// texts, the file information lines, the fade time choices, the meter scaling and the
// processor-load line. Headless, so remote displays and tests use the very same rules.
// Any thread.
#pragma once

#include "core/UiLanguage.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kalvor {

// 100 is "0dB", 0 is "-99dB" (silence is shown as the lowest step), otherwise "-",
// 100 - volume and "dB".
QString ConvertVolToString(int volume);
// "C" for the centre, otherwise "L" or "R" and the magnitude.
QString ConvertPanToString(int pan);

// "1 (Mono)", "2 (Stereo)", "4 (Quadro)", "6 (5.1)", "8 (7.1)"; other counts as the bare
// number, and "-" when no sound is loaded (0).
QString channelCountText(int fileChannels);

// The three file information lines ("File Bits: 16", ...). With no sound loaded
// (`fileChannels` 0) every value is "-".
struct SoundInfoLines {
    QString bits;
    QString channels;
    QString sampleRate;
};
SoundInfoLines DisplaySoundInfo(int fileBits, int fileChannels, int sampleRate, Language language);

// The 34 entries of each fade-time list: 100, 250, 500, 750 ms, then 1..30 seconds.
struct FadeTimeChoice {
    QString text; // "100 ms.", "1 sec.", ...
    int ms = 0;
};
const std::array<FadeTimeChoice, 34>& fadeTimeChoices();
// List position of the entry worth `ms`; -1 when no entry matches.
int fadeTimeIndex(int ms);

// One meter for one tick: the peak 0..32767 scaled by the volume slider (0..100), as a
// whole number. Exactly 32768 is the library's "no reading" for that side: nullopt, and
// the meter keeps what it shows.
std::optional<int> meterValue(int peak, int volume);
struct MeterReading {
    std::optional<int> left;
    std::optional<int> right;
};
// Both sides from KAE__Channel_GetLevel's word (left low 16 bits, right high); a channel
// that is not playing (stopped or paused) shows 0 on both.
MeterReading meterReading(bool playing, std::int32_t level, int volume);

// "CPU Load: 12 %".
QString cpuLoadText(double percent);

} // namespace kalvor
