#include "control/midi/MtcClock.h"

#include <algorithm>

namespace kalvor::midi {

namespace {
enum Piece {
    FramesLow,
    FramesHigh,
    SecondsLow,
    SecondsHigh,
    MinutesLow,
    MinutesHigh,
    HoursLow,
    HoursHigh
};
// Drop-frame time code counts 30 frame numbers a second but leaves out numbers 00 and 01 at
// the start of every minute that is not a tenth one, so that it keeps up with 29.97 frames a
// second. Counts here are of the numbers (as cues are); frames are the ones that run.
constexpr std::int64_t kNumbersPerMinute = 30 * 60;
constexpr std::int64_t kFramesPerMinute = kNumbersPerMinute - 2;
constexpr std::int64_t kFramesPerTenMinutes = 10 * kNumbersPerMinute - 9 * 2;

// A number left out (a cue can be typed as one) stands for the frame that follows it.
std::int64_t dropFrameIndex(std::int64_t number) {
    const std::int64_t minutes = number / kNumbersPerMinute;
    const std::int64_t inMinute = number % kNumbersPerMinute;
    if (minutes % 10 != 0 && inMinute < 2)
        number += 2 - inMinute;
    return number - 2 * (minutes - minutes / 10);
}

std::int64_t dropFrameNumber(std::int64_t index) {
    const std::int64_t tens = index / kFramesPerTenMinutes;
    const std::int64_t rest = index % kFramesPerTenMinutes;
    const std::int64_t dropped = rest < 2 ? 0 : 2 * ((rest - 2) / kFramesPerMinute);
    return index + 9 * 2 * tens + dropped;
}

std::int64_t wrapped(std::int64_t v, std::int64_t day) {
    return (v % day + day) % day;
}

} // namespace

// After 23:59:59 and the last frame every time code comes back to 00:00:00:00.
std::int32_t MtcClock::advance(std::int32_t frames, int n) const {
    if (!dropFrame_)
        return static_cast<std::int32_t>(wrapped(static_cast<std::int64_t>(frames) + n,
                                                 static_cast<std::int64_t>(fps_) * 86400));
    const std::int64_t day = kFramesPerTenMinutes * 6 * 24;
    return static_cast<std::int32_t>(dropFrameNumber(wrapped(dropFrameIndex(frames) + n, day)));
}

double MtcClock::seconds(std::int32_t frames) const {
    if (!dropFrame_)
        return frames / static_cast<double>(fps_);
    return static_cast<double>(dropFrameIndex(frames)) * 1001.0 / 30000.0;
}

MtcStep MtcClock::quarterFrame(std::uint8_t data) {
    MtcStep step;
    const int piece = (data >> 4) & 0x07;
    const std::int32_t low = data & 0x0F;
    // One piece lost or garbled on the way says nothing about the direction.
    if (piece == (lastPiece_ + 7) % 8)
        backwards_ = true;
    else if (piece == (lastPiece_ + 1) % 8)
        backwards_ = false;
    lastPiece_ = piece;
    auto& p = pieces_;
    switch (piece) {
    case FramesLow:
        p[FramesLow] = low;
        if (sequenceStarted_ && timeValid_)
            step.evaluate = now_;
        sequenceStarted_ = true;
        break;
    case MinutesLow:
        p[MinutesLow] = low;
        if (sequenceStarted_ && timeValid_) {
            now_ = advance(now_, 1);
            step.evaluate = now_;
        }
        break;
    case FramesHigh:
    case SecondsHigh:
    case MinutesHigh:
        p[piece] = low * 16;
        break;
    case SecondsLow:
    case HoursLow:
        p[piece] = low;
        break;
    case HoursHigh: {
        p[HoursHigh] = (low & 0x01) * 16;
        // The rate comes with the time it belongs to: counted at the rate of the time code
        // before (25 at start-up), the first time of a 24 or 30 fps source would land
        // minutes away and fire what is cued there.
        switch (low & 0x06) {
        case 0x00:
            fps_ = 24;
            break;
        case 0x02:
            fps_ = 25;
            break;
        default:
            fps_ = 30;
            break;
        }
        dropFrame_ = (low & 0x06) == 0x04;
        // The time is what the eight pieces say now, whatever order they came in: time
        // code running backwards sends the hours first, and a sum kept up piece by piece
        // would then hold the frames and hours of one time without its minutes and seconds.
        const std::int32_t seconds = p[SecondsLow] + p[SecondsHigh];
        const std::int32_t minutes = p[MinutesLow] + p[MinutesHigh];
        const std::int32_t hours = p[HoursLow] + p[HoursHigh];
        // The eight pieces took two frames to come: the time now is two frames on.
        now_ = advance(
            p[FramesLow] + p[FramesHigh] + (seconds + (minutes + hours * 60) * 60) * fps_, 2);
        if (sequenceStarted_)
            timeValid_ = true;
        step.rateReceived = true;
        break;
    }
    }
    return step;
}

CueFields cueFields(std::int64_t frames, int fps) {
    fps = std::max(fps, 1);
    frames = std::max<std::int64_t>(frames, 0);
    CueFields f;
    f.hours = static_cast<int>(frames / (fps * 3600LL));
    std::int64_t rest = frames - f.hours * fps * 3600LL;
    f.minutes = static_cast<int>(rest / (fps * 60LL));
    rest -= f.minutes * fps * 60LL;
    f.seconds = static_cast<int>(rest / fps);
    f.frames = static_cast<int>(rest - static_cast<std::int64_t>(f.seconds) * fps);
    return f;
}

std::int64_t cueFrames(const CueFields& f, int fps) {
    return ((static_cast<std::int64_t>(f.hours) * 60 + f.minutes) * 60 + f.seconds) * fps +
           f.frames;
}

QString cueText(std::int64_t frames, int fps) {
    const CueFields f = cueFields(frames, fps);
    const auto two = [](int v) {
        return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    };
    return two(f.hours) + QLatin1Char(':') + two(f.minutes) + QLatin1Char(':') + two(f.seconds) +
           QLatin1Char(':') + two(f.frames);
}

QString mtcDisplayText(std::int64_t frames, int fps) {
    return QStringLiteral("MTC ") + cueText(frames, fps);
}

std::int32_t stepCue(std::int32_t cue, int delta, int fps) {
    const std::int64_t last = static_cast<std::int64_t>(std::max(fps, 1)) * 86400 - 1;
    const std::int64_t next = static_cast<std::int64_t>(cue) + delta;
    if (next > last || next < 0)
        return 0;
    return static_cast<std::int32_t>(next);
}

bool cueFieldValid(CueField field, int value, int fps) {
    if (value < 0)
        return false;
    switch (field) {
    case CueField::Hours:
        return value <= 23;
    case CueField::Minutes:
    case CueField::Seconds:
        return value <= 59;
    case CueField::Frames:
        return value <= fps - 1;
    }
    return false;
}

} // namespace kalvor::midi
