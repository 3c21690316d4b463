// The MIDI time code receiver: assembles quarter-frame pieces into a time in frames and
// says when the time is to be evaluated (twice per eight pieces: at the frames-low piece
// with the assembled time plus two frames, and one frame later at the minutes-low piece).
// Pieces in any order only update their own part; nothing is evaluated before a
// frames-low piece has followed a complete hours piece. Plain state, no I/O: the input
// feeds it and the fuzzer hammers it. Also the frame-count arithmetic of the cue texts.
// UI thread (or any single thread).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kalvor::midi {

struct MtcStep {
    std::optional<std::int32_t> evaluate; // the time to evaluate now, in frames
    bool rateReceived = false;            // an hours piece set `fps` (the options show it)
};

class MtcClock {
public:
    MtcStep quarterFrame(std::uint8_t data);

    // "MTC active" switched on, or the stop timer found no progress.
    void restartSequence() {
        sequenceStarted_ = false;
        timeValid_ = false;
    }

    // The count `n` frames after `frames` at the rate of the last hours piece.
    std::int32_t advance(std::int32_t frames, int n) const;

    // The time in seconds that a frame count names at the rate of the last hours piece.
    double seconds(std::int32_t frames) const;

    // The rate to read cues at until time code names one (24, 25 or 30; others are ignored).
    void setFps(int fps) {
        if (fps == 24 || fps == 25 || fps == 30)
            fps_ = fps;
    }

    std::int32_t now() const { return now_; }
    int fps() const { return fps_; }
    // The last hours piece named 30 fps drop-frame (29.97).
    bool dropFrame() const { return dropFrame_; }
    // The pieces come in falling order: the source runs backwards (a rewind that plays).
    bool backwards() const { return backwards_; }
    bool sequenceStarted() const { return sequenceStarted_; }
    bool timeValid() const { return timeValid_; }

private:
    std::array<std::int32_t, 8> pieces_{};
    std::int32_t now_ = 0;
    int fps_ = 25;
    bool dropFrame_ = false;
    int lastPiece_ = 7;
    bool backwards_ = false;
    bool sequenceStarted_ = false;
    bool timeValid_ = false;
};

// Fields of a frame count at `fps`.
struct CueFields {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};
CueFields cueFields(std::int64_t frames, int fps);
std::int64_t cueFrames(const CueFields& f, int fps);
// "hh:mm:ss:ff", each field at least two digits.
QString cueText(std::int64_t frames, int fps);
// "MTC hh:mm:ss:ff" for the main window.
QString mtcDisplayText(std::int64_t frames, int fps);
// A cue moved by `delta` frames; beyond the last frame of a day it wraps to 0.
std::int32_t stepCue(std::int32_t cue, int delta, int fps);

enum class CueField { Hours, Minutes, Seconds, Frames };
// The field editor's check on leaving a field (an empty field is 0).
bool cueFieldValid(CueField field, int value, int fps);

} // namespace kalvor::midi
