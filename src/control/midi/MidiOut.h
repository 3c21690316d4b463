// What the program tells other MIDI gear: a note on when a channel starts and a note off
// when it stops or ends (by the channel's output assignment), a program change after each
// preset recall, and the keypads' F1..F8 rows, which toggle their note. The messages go
// to whatever `send` is (the open output port, or a test). UI thread.
#pragma once

#include "control/midi/MidiMessage.h"
#include "core/Channel.h"

#include <QObject>

#include <array>
#include <functional>

namespace kalvor {

class Settings;
class ShowLayer;

namespace midi {

inline constexpr int kFunctionRows = 8; // assignment rows 33..40: keypad F1..F8

class MidiOut : public QObject {
    Q_OBJECT
public:
    MidiOut(ShowLayer& show, Settings& settings, QObject* parent = nullptr);

    // The open output; unset or false while no output device is open.
    std::function<bool(const ShortMessage&)> send;

    // Assignment row r (0..39): note on / note off when its output is enabled.
    void sendChannelNoteOn(int row);
    void sendChannelNoteOff(int row);
    // Program change for preset index p (0-based), when "SendPRGChange" is on.
    void sendProgramChange(int preset);

    // Keypad function key F1..F8 (`key` 1..8), i.e. assignment row 32 + key counted from
    // one: the first press sends the row's note on, the next its note off, and so on.
    void toggleFunctionRow(int key);
    bool functionKeyState(int key) const;

    // Output fields of rows 33..40 (input fields unused); not part of any preset.
    ChannelAssignments& functionRow(int index) {
        return functionRows_.at(static_cast<std::size_t>(index));
    }

private:
    const ChannelAssignments* row(int r) const;
    void sendNote(int row, bool on);

    ShowLayer& show_;
    Settings& settings_;
    std::array<ChannelAssignments, kFunctionRows> functionRows_{};
    std::array<bool, kFunctionRows> functionKeyState_{};
};

// The "Default" assignment: white keys from note 36, input and output on channel 1 and
// enabled; rows 33..40 go on with the same sequence for their output.
void setDefaultAssignment(ShowLayer& show, MidiOut& out);

} // namespace midi
} // namespace kalvor
