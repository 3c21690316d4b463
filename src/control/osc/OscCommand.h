// The OSC address space of the program: one received message (its address and typed
// arguments) becomes one show command, or a reason why not. Pure functions without I/O,
// so that tests and the fuzzer feed them directly; any thread.
//
//   /kalvor/channel/N/play | stop | pause | release     N = 1..32
//   /kalvor/channel/N/volume V                           V = 0..100
//   /kalvor/channel/N/pan P                              P = -100..100
//   /kalvor/preset/recall N | /kalvor/preset/next | /kalvor/preset/previous
//   /kalvor/stopall
//   /kalvor/subscribe [PORT] | /kalvor/unsubscribe       feedback to the sender
//
// Trigger addresses take no argument or one number; a number of 0 is a surface's button
// coming back up and does nothing, so a tablet's push button fires once per press.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalvor::osc {

inline constexpr std::string_view kRoot = "/kalvor";

struct Arg {
    char type = 'i';   // the OSC type tag: i h f d s S T F N I ...
    double number = 0; // i h f d, and T/F as 1/0
    std::string text;  // s S
    bool isNumber() const;
};

enum class Verb {
    Play,
    Stop,
    Pause,
    Release,
    Volume,
    Pan,
    RecallPreset,
    NextPreset,
    PreviousPreset,
    StopAll,
    Subscribe,
    Unsubscribe,
};

struct Command {
    Verb verb = Verb::Play;
    int channel = 0; // 0-based, for the channel verbs
    int value = 0;   // volume, pan, preset number (1-based), feedback port (0: the sender's)
    friend bool operator==(const Command&, const Command&) = default;
};

struct Parsed {
    std::optional<Command> command; // empty: nothing to do (see `error`)
    std::string error;              // empty with no command: a button release, ignored
};

Parsed parseMessage(std::string_view address, std::span<const Arg> args);

// Feedback addresses.
std::string channelAddress(int channel, std::string_view event); // "/kalvor/channel/3/started"
inline constexpr std::string_view kPresetRecalled = "/kalvor/preset/recalled";
inline constexpr std::string_view kError = "/kalvor/error";
inline constexpr std::string_view kSubscribed = "/kalvor/subscribed";

} // namespace kalvor::osc
