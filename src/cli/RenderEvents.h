// The timed actions of `kalvor-tool render`: "T ACTION; T ACTION; ..." with T in seconds.
// Besides the presses, every setting an operator changes on a channel, so a rehearsal or
// a bug report replays as a script. Parsing is pure, so tests and fuzzers feed it text
// directly; whether a named output or a list entry exists is known only once the show is
// loaded. Any thread.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace kalvor::cli {

enum class RenderAction {
    Press,
    Release,
    Right,
    Stop,
    Pause, // on a channel
    Next,
    Prev,
    ShiftNext,
    Recall, // a preset number
    Escape,
    GlobalPlay,
    GlobalPause,
    Rollback,
    Forward,
    Repeat,
    // Channel settings: a channel and a value each.
    Volume,
    Pan,
    VariSpeed,
    Mode,
    Select,
    Seek,
    Output,
    Destination,
};

struct RenderEvent {
    double seconds = 0;
    RenderAction action = RenderAction::Press;
    int argument = 0;    // channel 1..32 or preset 1..100; 0 when the action takes none
    int value = 0;       // volume, pan, speed, mode (a PlayMode), list entry 1.., destination
    bool on = false;     // mode
    double position = 0; // seek, in seconds
    QString name;        // output
};

// Events in time order (stable for equal times). nullopt with `error` naming the bad part.
std::optional<std::vector<RenderEvent>> parseRenderEvents(const QString& text, QString* error);

} // namespace kalvor::cli
