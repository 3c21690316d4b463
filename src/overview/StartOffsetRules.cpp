#include "overview/StartOffsetRules.h"

#include "core/SettingKeys.h"
#include "core/Settings.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMath.h"
#include "show/playback/ChannelPlayback.h"
#include "show/playback/StartOffsets.h"

#include <algorithm>
#include <cmath>

namespace kalvor {

namespace {

QString two(std::int64_t v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QString offsetTimeText(std::int64_t samples, int r, const QString& separator) {
    if (r <= 0 || samples < 0)
        samples = 0;
    const std::int64_t rate = std::max(r, 1);
    const std::int64_t hours = samples / rate / 3600;
    samples -= hours * 3600 * rate;
    const std::int64_t minutes = samples / rate / 60;
    samples -= minutes * 60 * rate;
    const std::int64_t seconds = samples / rate;
    samples -= seconds * rate;
    const std::int64_t ms = samples * 1000 / rate;
    return two(hours) + separator + two(minutes) + separator + two(seconds) + separator +
           QStringLiteral("%1").arg(ms, 3, 10, QLatin1Char('0'));
}

std::int64_t offsetDigitStep(OffsetDigit digit, int r) {
    switch (digit) {
    case OffsetDigit::Hours:
        return 3600LL * r;
    case OffsetDigit::Minutes:
        return 60LL * r;
    case OffsetDigit::Seconds:
        return r;
    case OffsetDigit::Milliseconds:
        return std::llround(r / 1000.0);
    case OffsetDigit::Samples:
        break;
    }
    return 1;
}

int offsetPercent(std::int64_t samples, std::int64_t length) {
    if (length <= 0 || samples <= 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(samples * 100 / length, 100));
}

std::int64_t offsetFromPercent(int percent, std::int64_t length) {
    return length <= 0 ? 0 : std::clamp(percent, 0, 100) * length / 100;
}

int cueLevelDb(std::int32_t packed) {
    const auto bits = static_cast<std::uint32_t>(packed);
    const int left = static_cast<int>(bits & 0xffffu);
    const int right = static_cast<int>(bits >> 16);
    return KAE__LevelToDB(static_cast<int>(std::lround((left + right) / 2.0)));
}

AutoCue::AutoCue(StartOffsets& offsets, ChannelPlayback& playback)
    : offsets_(offsets), playback_(playback) {}

bool AutoCue::arm(int ch, bool fromStart) {
    if (!offsets_.hasSound(ch))
        return false;
    if (fromStart)
        offsets_.Reset_StartOffset(ch);
    channel_ = ch;
    if (!KAE__Channel_IsPlaying(ch))
        playback_.PressPlay(ch);
    return true;
}

bool AutoCue::tick(int cueLevel) {
    if (!armed())
        return false;
    if (!KAE__Channel_IsPlaying(channel_)) {
        // Stopped before the level came (a STOP from elsewhere, the end of the sound, a
        // recall): left armed, the cue would catch and stop whatever the channel plays next.
        if (!KAE__Channel_IsPaused(channel_))
            disarm();
        return false;
    }
    if (cueLevelDb(KAE__Channel_GetLevel(channel_)) < cueLevel)
        return false;
    const int ch = channel_;
    disarm();
    offsets_.Capture_StartOffset(ch);
    // Not an operator's stop: a jump to the next sound would drop the offset just caught.
    playback_.StopChannel(ch, StopCause::Cue);
    return true;
}

OffsetPreset OffsetPresets::read(int n) const {
    OffsetPreset p;
    if (n < 1 || n > kOffsetPresetCount)
        return p;
    p.entry = settings_.text(offsetPresetKey("StartOffsetPreset", n));
    p.info = settings_.text(offsetPresetKey("StartOffsetPresetInfo", n));
    p.samples = std::max<qlonglong>(
        settings_.text(offsetPresetKey("StartOffsetPresetValue", n)).toLongLong(), 0);
    p.time = settings_.text(offsetPresetKey("StartOffsetPresetTime", n));
    return p;
}

void OffsetPresets::save(int n, const QString& soundName, const QString& info, std::int64_t samples,
                         int sampleRate) {
    if (n < 1 || n > kOffsetPresetCount)
        return;
    settings_.setText(offsetPresetKey("StartOffsetPreset", n),
                      QString::number(n) + QStringLiteral(". ") + soundName);
    settings_.setText(offsetPresetKey("StartOffsetPresetInfo", n), info);
    settings_.setText(offsetPresetKey("StartOffsetPresetValue", n), QString::number(samples));
    settings_.setText(offsetPresetKey("StartOffsetPresetTime", n),
                      offsetTimeText(samples, sampleRate, QStringLiteral(":")));
    settings_.sync();
}

void OffsetPresets::clear(int n) {
    if (n < 1 || n > kOffsetPresetCount)
        return;
    settings_.setText(offsetPresetKey("StartOffsetPreset", n),
                      QString::number(n) + QStringLiteral(". ---"));
    for (const char* key :
         {"StartOffsetPresetInfo", "StartOffsetPresetValue", "StartOffsetPresetTime"})
        settings_.setText(offsetPresetKey(key, n), QString());
    settings_.sync();
}

} // namespace kalvor
