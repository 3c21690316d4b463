// The strip caption and the note names it is built from.
#include "core/Channel.h"
#include "mainwindow/ChannelCaption.h"

#include <gtest/gtest.h>

namespace kalvor {
namespace {

TEST(MidiNoteNames, NumberPaddedToThreePlacesThenNoteAndOctave) {
    struct Case {
        bool offset;
        int note;
        const char* text;
    };
    const Case cases[] = {
        {true, 60, " 60 = C3"},  {true, 127, "127 = G8"}, {false, 60, " 60 = C5"},
        {true, 0, "  0 = C-2"},  {false, 0, "  0 = C0"},  {true, 37, " 37 = C#1"},
        {false, 11, " 11 = B0"}, {true, 12, " 12 = C-1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MidiNoteNames(c.offset)[static_cast<std::size_t>(c.note)],
                  QString::fromLatin1(c.text))
            << c.note << " offset " << c.offset;
}

// The bare number is drawn in Tahoma 8 point, the number with its notes in Small Fonts 7.
TEST(LabelChannel, NumberAloneOrWithTheMidiNotesOfBothDirections) {
    constexpr Language E = Language::English, G = Language::German;
    const struct {
        int ch;
        MidiCaptionOptions options;
        int inNote, outNote;
        Language language;
        const char* text;
    } cases[] = {
        {6, {false, true, true, true}, 36, 36, E, " 7"},
        {0, {true, true, true, true}, 36, 36, E, " 1 (IN: 36/C1 - OUT: 36/C1)"},
        // MIDI input switched off: its place says so, the output note stays.
        {2, {true, false, true, true}, 40, 40, E, " 3 (IN: Off - OUT: 40/E1)"},
        {31, {true, true, false, false}, 61, 0, G, " 32 (IN: 61/C#5 - OUT: Aus)"},
        // A note outside the MIDI range read from a damaged show never reaches the table.
        {4, {true, true, true, true}, 200, -1, E, " 5 (IN: ? - OUT: ?)"},
    };
    for (const auto& c : cases) {
        ChannelAssignments a;
        a.midiInNote = c.inNote;
        a.midiOutNote = c.outNote;
        const ChannelCaption caption = LabelChannel(c.ch, a, c.options, c.language);
        EXPECT_EQ(caption.text, QString::fromLatin1(c.text));
        EXPECT_EQ(caption.fontFamily, c.options.showMidi ? "Small Fonts" : "Tahoma") << c.text;
        EXPECT_EQ(caption.pointSize, c.options.showMidi ? 7 : 8) << c.text;
    }
}

} // namespace
} // namespace kalvor
