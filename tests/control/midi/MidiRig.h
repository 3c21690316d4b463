// A show on the offline engine with the MIDI input, output and time-code cues on top, and
// the output's messages recorded instead of sent.
#pragma once

#include "control/midi/MidiIn.h"
#include "control/midi/MidiOut.h"
#include "control/midi/MtcCues.h"
#include "support/ShowRig.h"

#include <vector>

namespace kalvor::test {

struct MidiRig : ShowRig {
    // `channels` playback channels, each with a sound list of `sounds` ramps of `seconds`.
    explicit MidiRig(int channels = 4, int sounds = 1, double seconds = 1.0);

    midi::MtcCues mtc{*show, *settings};
    midi::MidiIn in{*show, *settings, &mtc};
    midi::MidiOut out{*show, *settings};
    std::vector<midi::ShortMessage> sent;
    std::vector<QString> monitor;

    // Row r listens on (and sends to) MIDI channel `channel`, note `note`.
    void assign(int row, int note, int channel = 1, bool enabled = true);
    void feed(std::initializer_list<midi::ShortMessage> messages);
    std::vector<int> playing() const;
};

} // namespace kalvor::test
