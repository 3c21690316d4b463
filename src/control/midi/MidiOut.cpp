#include "control/midi/MidiOut.h"

#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/playback/ShowLayer.h"

#include <algorithm>

namespace kalvor::midi {

MidiOut::MidiOut(ShowLayer& show, Settings& settings, QObject* parent)
    : QObject(parent), show_(show), settings_(settings) {
    // Only the 32 playback channels have a row; the preview channel sends nothing.
    connect(&show_.playback(), &ChannelPlayback::channelStarted, this, [this](int ch) {
        if (ch < kChannelCount)
            sendNote(ch, true);
    });
    connect(&show_.playback(), &ChannelPlayback::channelStopped, this, [this](int ch) {
        if (ch < kChannelCount)
            sendNote(ch, false);
    });
    connect(&show_.recall(), &PresetRecall::recallFinished, this, &MidiOut::sendProgramChange);
}

const ChannelAssignments* MidiOut::row(int r) const {
    if (r >= 0 && r < kChannelCount)
        return &show_.store().assignments(r);
    if (r >= kChannelCount && r < kChannelCount + kFunctionRows)
        return &functionRows_[static_cast<std::size_t>(r - kChannelCount)];
    return nullptr;
}

void MidiOut::sendNote(int r, bool on) {
    const ChannelAssignments* a = row(r);
    if (!a || !a->midiOutEnabled || !send)
        return;
    const int channel = std::clamp(a->midiOutChannel, 1, 16) - 1;
    const auto note = static_cast<std::uint8_t>(std::clamp(a->midiOutNote, 0, 127));
    send(ShortMessage{static_cast<std::uint8_t>((on ? 0x90 : 0x80) + channel), note,
                      static_cast<std::uint8_t>(on ? 127 : 0)});
}

void MidiOut::sendChannelNoteOn(int r) {
    sendNote(r, true);
}

void MidiOut::sendChannelNoteOff(int r) {
    sendNote(r, false);
}

void MidiOut::sendProgramChange(int preset) {
    // The wire's program number has seven bits: a preset beyond them has no number to send,
    // and a wrapped one would recall another preset on the receiving gear.
    if (!settings_.isOn(u"SendPRGChange") || !send || preset < 0 || preset > 127)
        return;
    const int channel = std::clamp(settings_.integer(u"ProgramChangeChannel"), 1, 16) - 1;
    send(ShortMessage{static_cast<std::uint8_t>(0xC0 + channel), static_cast<std::uint8_t>(preset),
                      0});
}

void MidiOut::toggleFunctionRow(int key) {
    if (key < 1 || key > kFunctionRows)
        return;
    bool& state = functionKeyState_[static_cast<std::size_t>(key - 1)];
    sendNote(kChannelCount - 1 + key, !state);
    state = !state;
}

bool MidiOut::functionKeyState(int key) const {
    return key >= 1 && key <= kFunctionRows && functionKeyState_[static_cast<std::size_t>(key - 1)];
}

void setDefaultAssignment(ShowLayer& show, MidiOut& out) {
    static constexpr bool kBlack[12] = {false, true,  false, true,  false, false,
                                        true,  false, true,  false, true,  false};
    int n = 36;
    for (int r = 0; r < kChannelCount + kFunctionRows; ++r) {
        if (kBlack[n % 12])
            ++n;
        ChannelAssignments& a =
            r < kChannelCount ? show.store().assignments(r) : out.functionRow(r - kChannelCount);
        if (r < kChannelCount) {
            a.midiInNote = n;
            a.midiInChannel = 1;
            a.midiInEnabled = true;
        }
        a.midiOutNote = n;
        a.midiOutChannel = 1;
        a.midiOutEnabled = true;
        ++n;
    }
    for (int ch = 0; ch < kChannelCount; ++ch)
        show.store().announceChannel(ch, ChannelAspect::Assignments);
}

} // namespace kalvor::midi
