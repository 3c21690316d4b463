// The caption of a channel strip (`LabelChannel`): the bare channel number, or the number
// with the channel's MIDI input and output notes when "Display MIDI info in channels" is
// on, and the font each form is drawn in. Also the note-name table the MIDI assignment
// grid shows (`MidiNoteNames`). Headless, so the overview, remote units and tests name
// notes exactly as the strips do. Any thread.
#pragma once

#include "core/UiLanguage.h"

#include <QString>

#include <array>

namespace kalvor {

class Settings;
struct ChannelAssignments;

// 128 texts "  n = C#o": the number right-aligned in three places, " = ", the note name and
// its octave. With `offset` on, note 0 is in octave -2 (60 reads "C3"), otherwise in
// octave 0 (60 reads "C5").
const std::array<QString, 128>& MidiNoteNames(bool offset);

// A note as the strip caption shows it: blanks removed and "=" turned into "/" ("36/C1").
// Notes outside 0..127 give "?".
QString captionNoteText(int note, bool offset);

// The settings that shape a caption.
struct MidiCaptionOptions {
    bool showMidi = false; // MidiNoteDisplay
    bool useMidiIn = false;
    bool useMidiOut = false;
    bool noteOffset = true; // MidiNoteOffset
};
MidiCaptionOptions midiCaptionOptions(const Settings& settings);

struct ChannelCaption {
    QString text;
    QString fontFamily;
    int pointSize = 8;
};

// `ch` is 0..31. " 7" in Tahoma 8 point, or " 1 (IN: 36/C1 - OUT: 36/C1)" in Small Fonts
// 7 point, with "Off"/"Aus" for a direction whose MIDI port is switched off.
ChannelCaption LabelChannel(int ch, const ChannelAssignments& assignments,
                            const MidiCaptionOptions& options, Language language);

} // namespace kalvor
