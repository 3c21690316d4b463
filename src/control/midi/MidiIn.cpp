#include "control/midi/MidiIn.h"

#include "control/midi/MtcCues.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/playback/ShowLayer.h"

namespace kalvor::midi {

MidiIn::MidiIn(ShowLayer& show, Settings& settings, MtcCues* mtc, QObject* parent)
    : QObject(parent), show_(show), settings_(settings), mtc_(mtc) {}

void MidiIn::handle(const ShortMessage& m) {
    if (m.status == kQuarterFrame) {
        if (mtc_)
            mtc_->quarterFrame(m.data1);
        return;
    }
    const int channel = (m.status & 0x0F) + 1;
    switch (m.status & 0xF0) {
    case 0x90:
        noteOn(channel, m.data1, m.data2);
        break;
    case 0x80:
        noteOff(channel, m.data1);
        break;
    case 0xC0:
        programChange(channel, m.data1);
        break;
    default:
        return;
    }
    Q_EMIT monitorLine(midi::monitorLine(m));
}

bool MidiIn::rowListens(int row, int channel) const {
    const ChannelAssignments& a = show_.store().assignments(row);
    return a.midiInEnabled && a.midiInChannel == channel;
}

void MidiIn::noteOn(int channel, int note, int velocity) {
    const bool selectsSound = settings_.isOn(u"MidiNoteSelectsSound");
    ChannelPlayback& playback = show_.playback();
    for (int r = 0; r < kChannelCount; ++r) {
        if (!rowListens(r, channel))
            continue;
        const int base = show_.store().assignments(r).midiInNote;
        if (velocity == 0) {
            if (selectsSound || note == base)
                playback.PlayButtonUp(r);
            continue;
        }
        if (!selectsSound) {
            if (note == base)
                playback.PressPlayWithGroups(r);
            continue;
        }
        // The note counts up from the row's note through the channel's sound list.
        const int entry = note - base;
        if (entry < 0 || entry >= show_.store().soundList(r).size())
            continue;
        if (show_.store().controls(r).selectedSound != entry)
            show_.selection().select(r, entry);
        playback.PressPlayWithGroups(r);
    }
}

void MidiIn::noteOff(int channel, int note) {
    const bool selectsSound = settings_.isOn(u"MidiNoteSelectsSound");
    for (int r = 0; r < kChannelCount; ++r) {
        if (rowListens(r, channel) &&
            (selectsSound || note == show_.store().assignments(r).midiInNote))
            show_.playback().PlayButtonUp(r);
    }
}

void MidiIn::programChange(int channel, int program) {
    if (!settings_.isOn(u"ReceivePRGChange") ||
        channel != settings_.integer(u"ProgramChangeChannel") ||
        program >= show_.store().presets().count())
        return;
    show_.recall().SelectPreset(program);
}

} // namespace kalvor::midi
