// The start-offsets window's rules without the window: the time text of an offset, the
// digit spinners' steps, the slider, the level that fires the automatic cue, and the 20
// offset presets kept in the settings store. The offsets themselves are changed through
// the show layer (StartOffsets). UI thread.
#pragma once

#include <QString>

#include <cstdint>

namespace kalvor {

class ChannelPlayback;
class Settings;
class StartOffsets;

// "00 : 01 : 05 : 250" for 65.25 s; `separator` " : " in the window, ":" in a preset.
QString offsetTimeText(std::int64_t samples, int sampleRate,
                       const QString& separator = QStringLiteral(" : "));

enum class OffsetDigit { Hours, Minutes, Seconds, Milliseconds, Samples };
// One spinner step in samples, rounded to the nearest whole sample (1 ms at 44100 is 44).
std::int64_t offsetDigitStep(OffsetDigit digit, int sampleRate);

// The slider is the offset in percent of the sound's length.
int offsetPercent(std::int64_t samples, std::int64_t lengthFrames);
std::int64_t offsetFromPercent(int percent, std::int64_t lengthFrames);

// The channel's level as the cue compares it: the mean of the two peaks (left in the low
// 16 bits), rounded, in whole dB.
int cueLevelDb(std::int32_t packedLevel);

// The level-triggered cue: armed, the channel is started; the first tick at or above the
// cue level while it plays captures the offset there and stops the channel. A channel
// found stopped before that ends the cue.
class AutoCue {
public:
    AutoCue(StartOffsets& offsets, ChannelPlayback& playback);

    // `fromStart` (left button): the offset is reset first; the right button keeps it.
    bool arm(int ch, bool fromStart);
    void disarm() { channel_ = -1; }
    bool armed() const { return channel_ >= 0; }
    // The window's sync timer; true when the cue fired on this tick.
    bool tick(int cueLevel);

private:
    StartOffsets& offsets_;
    ChannelPlayback& playback_;
    int channel_ = -1;
};

inline constexpr int kOffsetPresetCount = 20;

// Entry n (1..20) of the offset presets.
struct OffsetPreset {
    QString entry; // "3. Thunder", or "3. ---" when empty
    QString info;
    std::int64_t samples = 0;
    QString time; // "00:01:05:250"
};

class OffsetPresets {
public:
    explicit OffsetPresets(Settings& settings) : settings_(settings) {}

    OffsetPreset read(int n) const;
    void save(int n, const QString& soundName, const QString& info, std::int64_t samples,
              int sampleRate);
    void clear(int n);

private:
    Settings& settings_;
};

} // namespace kalvor
