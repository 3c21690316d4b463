// The "User" protocol of the serial port: single printable characters from a show
// controller or push-button box. Pure: no port, no show; the caller applies the action
// and writes the reply lines (each followed by CR LF), so tests and the fuzzer feed bytes
// straight in.
#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

namespace kalvor {

enum class ComUserActionKind {
    PlayLeft,
    PlayRight,
    StopAll,
    NextPreset,
    PreviousPreset,
    RecallPreset
};

struct ComUserAction {
    ComUserActionKind kind;
    int number = 0; // channel 1..8, or preset 1-based
    bool operator==(const ComUserAction&) const = default;
};

struct ComUserSettings {
    bool echo = false;    // EchoCMD
    bool sendAck = false; // SendACK
    int presetCount = 0;
};

struct ComUserResult {
    std::optional<ComUserAction> action;
    QByteArrayList lines; // without CR LF
    QByteArray buffer;    // the preset number buffer after this input
};

// Longest preset number buffer kept; a longer run can never name a preset, so it is
// replaced by a marker that reads as no number and the memory stays bounded.
inline constexpr qsizetype kComUserBufferLimit = 64;

ComUserResult comUser(const QByteArray& text, const QByteArray& buffer,
                      const ComUserSettings& settings);

} // namespace kalvor
