// The MIDI side of the program as one piece: the ports, what arriving messages do, the
// outgoing notes and program changes, and the time-code cues; opened and closed by the
// settings "UseMIDIIn", "UseMIDIOut", "MidiInDevice", "MidiOutDevice" and "UseMTC". The
// options dialog, start-up and closing, the file dialogs and the keypads reach MIDI
// through here. UI thread.
#pragma once

#include "control/midi/MidiIn.h"
#include "control/midi/MidiOut.h"
#include "control/midi/MidiPorts.h"
#include "control/midi/MtcCues.h"

#include <QObject>

namespace kalvor {

class Settings;
class ShowLayer;

namespace midi {

class MidiSystem : public QObject {
    Q_OBJECT
public:
    MidiSystem(ShowLayer& show, Settings& settings, QObject* parent = nullptr);

    // Start-up: the devices whose Use setting is on, and time code when "UseMTC" is on.
    void openMidi();
    // Closing: both devices closed.
    void closeMidi();

    // "MIDI IN active" / "MIDI OUT active" and the device lists; true when the device is
    // open afterwards. Without a name, the stored device.
    bool openInput(const QString& device = {});
    void closeInput();
    bool openOutput(const QString& device = {});
    void closeOutput();

    // The file dialogs' rule: an open input is closed while the dialog is up and opened
    // again afterwards. Nested calls are counted.
    void suspendInput();
    void resumeInput();

    MidiPorts& ports() { return ports_; }
    MidiIn& input() { return in_; }
    MidiOut& output() { return out_; }
    MtcCues& mtc() { return mtc_; }

private:
    ShowLayer& show_;
    Settings& settings_;
    MidiPorts ports_;
    MtcCues mtc_;
    MidiIn in_;
    MidiOut out_;
    int suspended_ = 0;
    bool reopenAfterSuspend_ = false;
    QString suspendedName_;
};

} // namespace midi
} // namespace kalvor
