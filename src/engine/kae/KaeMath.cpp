// The engine's arithmetic; see KaeMath.h. Any thread.
#include "engine/kae/KaeMath.h"

#include <cmath>

namespace kalvor {

namespace engine {

std::int64_t roundHalfEvenDiv(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    std::int64_t r = num % den; // same sign as num
    const std::int64_t twice = 2 * (r < 0 ? -r : r);
    const bool odd = (q % 2) != 0;
    if (twice > den || (twice == den && odd))
        q += (num < 0) ? -1 : 1;
    return q;
}

std::int64_t roundHalfEven(double value) {
    // The default floating-point rounding mode is to nearest, ties to even.
    return static_cast<std::int64_t>(std::nearbyint(value));
}

int playbackFrequency(int sampleRate, int variSpeed) {
    return static_cast<int>(
        roundHalfEvenDiv(static_cast<std::int64_t>(sampleRate) * variSpeed, 100) + sampleRate);
}

namespace {

// Percentages of steps 1..3 per curve; step 4 is the full volume (in) or silence (out).
constexpr int kInPercent[3][3] = {{70, 80, 90}, {40, 60, 80}, {35, 55, 75}};
constexpr int kOutPercent[3][3] = {{75, 55, 35}, {80, 60, 40}, {90, 80, 70}};

int fadeLevel(const int (&table)[3][3], int volume, int curve, int step, int lastLevel) {
    if (step == 4)
        return lastLevel;
    if (step < 1 || step > 4 || curve < 1 || curve > 3)
        return 0;
    return static_cast<int>(
        roundHalfEvenDiv(static_cast<std::int64_t>(volume) * table[curve - 1][step - 1], 100));
}

} // namespace

int fadeInLevel(int volume, int curve, int step) {
    return fadeLevel(kInPercent, volume, curve, step, volume);
}

int fadeOutLevel(int volume, int curve, int step) {
    return fadeLevel(kOutPercent, volume, curve, step, 0);
}

int fadeSegmentMs(int fadeTimeMs) {
    return static_cast<int>(roundHalfEvenDiv(fadeTimeMs, 4));
}

std::optional<std::int64_t> framesFromBytes(std::int64_t bytes, int fileChannels) {
    if (fileChannels == 1)
        return roundHalfEvenDiv(bytes, 2);
    if (fileChannels == 2)
        return roundHalfEvenDiv(bytes, 4);
    return std::nullopt;
}

std::optional<std::int64_t> bytesFromFrames(std::int64_t frames, int fileChannels) {
    if (fileChannels == 1)
        return frames * 2;
    if (fileChannels == 2)
        return frames * 4;
    return std::nullopt;
}

QString hmsText(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    const auto two = [](std::int64_t v) {
        return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    };
    return two(seconds / 3600) + QLatin1Char(':') + two((seconds / 60) % 60) + QLatin1Char(':') +
           two(seconds % 60);
}

} // namespace engine

int KAE__LevelToDB(int peak) {
    if (peak < 1)
        return -99;
    return static_cast<int>(engine::roundHalfEven(20.0 * std::log10(peak / 32768.0)));
}

} // namespace kalvor
