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

TEST(LabelChannel, NumberAloneOrWithTheMidiNotesOfBothDirections) {
    struct Case {
        int ch;
        MidiCaptionOptions options;
        int inNote, outNote;
        Language language;
        const char* text;
        const char* font;
        int points;
    };
    const Case cases[] = {
        {6, {false, true, true, true}, 36, 36, Language::English, " 7", "Tahoma", 8},
        {0,
         {true, true, true, true},
         36,
         36,
         Language::English,
         " 1 (IN: 36/C1 - OUT: 36/C1)",
         "Small Fonts",
         7},
        // MIDI input switched off: its place says so, the output note stays.
        {2,
         {true, false, true, true},
         40,
         40,
         Language::English,
         " 3 (IN: Off - OUT: 40/E1)",
         "Small Fonts",
         7},
        {2,
         {true, false, true, true},
         40,
         40,
         Language::German,
         " 3 (IN: Aus - OUT: 40/E1)",
         "Small Fonts",
         7},
        {31,
         {true, true, false, false},
         61,
         0,
         Language::German,
         " 32 (IN: 61/C#5 - OUT: Aus)",
         "Small Fonts",
         7},
        // A note outside the MIDI range read from a damaged show never reaches the table.
        {4,
         {true, true, true, true},
         200,
         -1,
         Language::English,
         " 5 (IN: ? - OUT: ?)",
         "Small Fonts",
         7},
    };
    for (const Case& c : cases) {
        ChannelAssignments a;
        a.midiInNote = c.inNote;
        a.midiOutNote = c.outNote;
        const ChannelCaption caption = LabelChannel(c.ch, a, c.options, c.language);
        EXPECT_EQ(caption.text, QString::fromLatin1(c.text));
        EXPECT_EQ(caption.fontFamily, QString::fromLatin1(c.font)) << c.text;
        EXPECT_EQ(caption.pointSize, c.points) << c.text;
    }
}

} // namespace
} // namespace kalvor
