// What a MIDI controller does to the show: notes, velocity 0, row order, the note that
// selects a sound, program changes, the monitor lines, and the notes and program changes
// the program sends back (a recalled preset beyond the wire's seven bits sends none). Bytes
// as a port delivers them, broken ones included.
#include "MidiRig.h"

#include "control/midi/MidiMessage.h"
#include "core/Settings.h"
#include "show/playback/ShowLayer.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using midi::ShortMessage;

namespace {

ShortMessage noteOn(int note, int velocity = 100, int channel = 1) {
    return {static_cast<std::uint8_t>(0x8F + channel), static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}
ShortMessage noteOff(int note, int velocity = 64, int channel = 1) {
    return {static_cast<std::uint8_t>(0x7F + channel), static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}
ShortMessage program(int p, int channel = 1) {
    return {static_cast<std::uint8_t>(0xBF + channel), static_cast<std::uint8_t>(p), 0};
}

} // namespace

TEST(MidiDecode, BytesFromThePortBecomeWholeMessagesOrNothing) {
    using B = std::vector<std::uint8_t>;
    struct Case {
        const char* label;
        std::vector<B> input; // one port delivery each, in order
        std::vector<std::optional<ShortMessage>> want;
    };
    // clang-format off
    const Case cases[] = {
        {"note on", {{0x90, 60, 100}}, {ShortMessage{0x90, 60, 100}}},
        {"running status continues the last note on", {{0x91, 60, 100}, {61, 90}},
         {ShortMessage{0x91, 60, 100}, ShortMessage{0x91, 61, 90}}},
        {"data with no status before it", {{60, 100}}, {std::nullopt}},
        {"a SysEx cancels running status", {{0x90, 60, 1}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {61, 90}},
         {ShortMessage{0x90, 60, 1}, std::nullopt, std::nullopt}},
        {"clock between keeps running status", {{0x90, 60, 1}, {0xF8}, {61, 2}},
         {ShortMessage{0x90, 60, 1}, ShortMessage{0xF8, 0, 0}, ShortMessage{0x90, 61, 2}}},
        {"note on cut short", {{0x90, 60}}, {std::nullopt}},
        {"program change has one data byte", {{0xC3, 5}}, {ShortMessage{0xC3, 5, 0}}},
        {"status byte where data belongs", {{0x90, 0x80, 0x10}}, {std::nullopt}},
        {"quarter frame", {{0xF1, 0x27}}, {ShortMessage{0xF1, 0x27, 0}}},
        {"quarter frame without data", {{0xF1}}, {std::nullopt}},
        {"empty delivery", {{}}, {std::nullopt}},
    };
    // clang-format on
    for (const Case& c : cases) {
        midi::RunningStatus running;
        for (std::size_t i = 0; i < c.input.size(); ++i)
            EXPECT_EQ(midi::decodeShortMessage(c.input[i].data(), c.input[i].size(), running),
                      c.want[i])
                << c.label << ", delivery " << i;
    }
    // Clock and active sensing never pass; quarter frames only while time code is wanted.
    EXPECT_FALSE(midi::passesInputFilter(0xF8, true) || midi::passesInputFilter(0xFE, true) ||
                 midi::passesInputFilter(0xF1, false));
    EXPECT_TRUE(midi::passesInputFilter(0xF1, true));
}

TEST(MidiIn, NotesStartAndReleaseTheAssignedChannels) {
    struct Case {
        const char* label;
        bool selectsSound;
        std::vector<ShortMessage> messages;
        std::vector<int> playing;
        int selectedSound = 0; // of channel 0 afterwards
    } cases[] = {
        {"note on plays its row", false, {noteOn(36)}, {0}},
        {"velocity 0 releases a held channel", false, {noteOn(36), noteOn(36, 0)}, {}},
        {"note off releases whatever its velocity", false, {noteOn(36), noteOff(36, 127)}, {}},
        {"same note on two rows plays both", false, {noteOn(40)}, {2, 3}},
        {"other MIDI channel does nothing", false, {noteOn(36, 100, 2)}, {}},
        {"disabled row does nothing", false, {noteOn(50)}, {}},
        {"note selects the third sound", true, {noteOn(38)}, {0}, 2},
        {"note below the base note does nothing", true, {noteOn(35)}, {}},
        {"note beyond the list does nothing", true, {noteOn(39)}, {}},
        {"release by velocity 0 whatever the note", true, {noteOn(37), noteOn(99, 0)}, {}, 1},
    };
    for (const Case& c : cases) {
        MidiRig rig(4, 3);
        for (int ch = 0; ch < 4; ++ch)
            rig.store.controls(ch).holdMode = 1;
        if (c.selectsSound) {
            rig.assign(0, 36);
        } else {
            rig.assign(0, 36);
            rig.assign(1, 38);
            rig.assign(2, 40);
            rig.assign(3, 40);
            rig.assign(4, 50, 1, false);
        }
        rig.settings->setOn(u"MidiNoteSelectsSound", c.selectsSound);
        std::vector<int> started;
        QObject::connect(&rig.show->playback(), &ChannelPlayback::channelStarted,
                         [&](int ch) { started.push_back(ch); });
        for (const ShortMessage& m : c.messages)
            rig.in.handle(m);
        EXPECT_EQ(rig.playing(), c.playing) << c.label;
        EXPECT_EQ(rig.store.controls(0).selectedSound, c.selectedSound) << c.label;
        EXPECT_TRUE(c.playing.empty() || started == c.playing)
            << c.label << ": ascending row order";
        EXPECT_EQ(rig.store.selectedChannel(), -1) << c.label << ": selection untouched";
    }
}

TEST(MidiIn, ProgramChangesRecallPresetsOnTheirChannelOnly) {
    struct Case {
        const char* label;
        bool receive;
        ShortMessage message;
        int current;
        std::vector<ShortMessage> sentBack;
    } cases[] = {
        {"program 0 recalls the first preset", true, program(0, 3), 0, {{0xC2, 0, 0}}},
        {"program 2 the third", true, program(2, 3), 2, {{0xC2, 2, 0}}},
        {"another MIDI channel is ignored", true, program(0, 4), 1, {}},
        {"beyond the preset list is ignored", true, program(3, 3), 1, {}},
        {"receiving switched off", false, program(0, 3), 1, {}},
    };
    for (const Case& c : cases) {
        MidiRig rig(1);
        rig.addPresets(3, 1);
        rig.settings->setInteger(u"ProgramChangeChannel", 3);
        rig.settings->setOn(u"ReceivePRGChange", c.receive);
        rig.settings->setOn(u"SendPRGChange", true);
        rig.sent.clear();
        rig.in.handle(c.message);
        EXPECT_EQ(rig.store.presets().current(), c.current) << c.label;
        EXPECT_EQ(rig.sent, c.sentBack) << c.label << ": the recall's own program change";
    }
}

TEST(MidiIn, MonitorListsNotesAndProgramsButNotTimeCode) {
    MidiRig rig(1);
    rig.feed({noteOn(60, 100), noteOff(61, 0, 16), program(7, 2), {0xF1, 0x01, 0}, {0xB0, 7, 1}});
    EXPECT_EQ(rig.monitor,
              (std::vector<QString>{QStringLiteral("[Channel:1] [Note on:60] [Velocity:100]"),
                                    QStringLiteral("[Channel:16] [Note off:61] [Velocity:0]"),
                                    QStringLiteral("[Channel:2] [Program:7]")}));
}

TEST(MidiOut, ChannelsAndFunctionKeysSendTheirNotes) {
    MidiRig rig(2);
    midi::setDefaultAssignment(*rig.show, rig.out);
    EXPECT_EQ(rig.store.assignments(3).midiInNote, 41) << "white keys from 36: 36, 38, 40, 41";
    rig.store.assignments(1).midiOutChannel = 10;
    rig.store.assignments(1).midiOutNote = 70;
    rig.out.functionRow(2).midiOutChannel = 5; // F3, row 35
    rig.sent.clear();
    rig.show->playback().PlayButtonDown(1);
    rig.show->playback().StopChannel(1);
    rig.store.assignments(0).midiOutEnabled = false;
    rig.show->playback().PlayButtonDown(0);
    rig.out.toggleFunctionRow(3);
    rig.out.toggleFunctionRow(3);
    rig.out.toggleFunctionRow(9); // no such key
    const int f3 = rig.out.functionRow(2).midiOutNote;
    EXPECT_EQ(rig.sent, (std::vector<ShortMessage>{
                            {0x99, 70, 127},
                            {0x89, 70, 0},
                            {0x94, static_cast<std::uint8_t>(f3), 127},
                            {0x84, static_cast<std::uint8_t>(f3), 0},
                        }));
    EXPECT_FALSE(rig.out.functionKeyState(3));
}

TEST(MidiOut, ProgramChangeNamesTheRecalledPresetOrNothing) {
    struct Case {
        int preset; // 0-based position in the preset list
        int channel;
        std::vector<ShortMessage> sent;
    } cases[] = {{0, 1, {{0xC0, 0, 0}}}, {127, 16, {{0xCF, 127, 0}}}, {128, 1, {}}, {200, 2, {}}};
    for (const Case& c : cases) {
        MidiRig rig(1);
        rig.settings->setOn(u"SendPRGChange", true);
        rig.settings->setInteger(u"ProgramChangeChannel", c.channel);
        rig.sent.clear();
        rig.out.sendProgramChange(c.preset);
        EXPECT_EQ(rig.sent, c.sent) << "preset index " << c.preset;
    }
}
