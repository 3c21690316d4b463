// Short MIDI messages as the input hands them on: decoding the bytes a port delivered
// (running status, truncated and system messages included), the input filter, and the
// monitor lines. Pure functions, so tests and the fuzzer feed them bytes directly. Any
// thread.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kalvor::midi {

struct ShortMessage {
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    friend bool operator==(const ShortMessage&, const ShortMessage&) = default;
};

inline constexpr std::uint8_t kQuarterFrame = 0xF1;
inline constexpr std::uint8_t kTimingClock = 0xF8;
inline constexpr std::uint8_t kActiveSensing = 0xFE;

// The status byte of the last channel message, which a sender may leave out on the
// messages that follow (running status). System messages cancel it.
struct RunningStatus {
    std::uint8_t status = 0;
};

// One message as a port delivered it. Channel messages and quarter frames come back as a
// short message; SysEx, other system messages, stray data bytes and messages cut short
// give nothing, so a broken sender cannot make the show act on half a message.
std::optional<ShortMessage> decodeShortMessage(const std::uint8_t* bytes, std::size_t size,
                                               RunningStatus& running);

// Timing clock and active sensing never pass; quarter frames only while time code is on.
bool passesInputFilter(std::uint8_t status, bool mtcEnabled);

// "[Channel:1] [Note on:60] [Velocity:100]" and the note-off and program lines; empty for
// messages the monitor does not list.
QString monitorLine(const ShortMessage& m);

// The message as one number, status in the low byte: what "Midi Out message sent: " names.
std::uint32_t packed(const ShortMessage& m);

} // namespace kalvor::midi
