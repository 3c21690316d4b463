// What arriving MIDI does to the show: notes start and release channels by the
// assignment (rows 1..32 in ascending order, every matching row acts), a program change
// recalls a preset, quarter frames go to the time code. Everything ends in the show
// layer's operations; the monitor lines go out as a signal. UI thread.
#pragma once

#include "control/midi/MidiMessage.h"

#include <QObject>

namespace kalvor {

class Settings;
class ShowLayer;

namespace midi {

class MtcCues;

class MidiIn : public QObject {
    Q_OBJECT
public:
    MidiIn(ShowLayer& show, Settings& settings, MtcCues* mtc, QObject* parent = nullptr);

    void handle(const ShortMessage& m);

Q_SIGNALS:
    void monitorLine(const QString& line);

private:
    void noteOn(int channel, int note, int velocity);
    void noteOff(int channel, int note);
    void programChange(int channel, int program);
    bool rowListens(int row, int channel) const;

    ShowLayer& show_;
    Settings& settings_;
    MtcCues* mtc_;
};

} // namespace midi
} // namespace kalvor
