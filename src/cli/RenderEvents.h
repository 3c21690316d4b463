// The timed actions of `kalvor-tool render`: "T ACTION; T ACTION; ..." with T in seconds.
// Parsing is pure, so tests and fuzzers feed it text directly. Any thread.
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
};

struct RenderEvent {
    double seconds = 0;
    RenderAction action = RenderAction::Press;
    int argument = 0; // channel 1..32 or preset 1..100; 0 when the action takes none
};

// Events in time order (stable for equal times). nullopt with `error` naming the bad part.
std::optional<std::vector<RenderEvent>> parseRenderEvents(const QString& text, QString* error);

} // namespace kalvor::cli
