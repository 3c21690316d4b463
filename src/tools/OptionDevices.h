// What the hardware pages of the options dialog list: MIDI ports, serial ports and the
// audio outputs. Each subsystem fills in its part when it exists; until then the lists
// hold what the settings know. UI thread.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kalvor {

class Settings;

struct SerialPortChoice {
    QString caption; // "COM 1"
    QString number;  // "1", as ComPort stores it
    QString device;  // "/dev/ttyS0", from ComDevice1
};

inline constexpr int kSerialPorts = 4;
// "<none>": the MIDI lists' first entry, stored as an empty device name.
QString midiNoneEntry();

struct OptionDevices {
    std::function<QStringList()> midiInputs;
    std::function<QStringList()> midiOutputs;
    std::function<QStringList()> audioOutputs; // the preview selector's entries
    std::function<QString()> keypad;           // the keypad model found, empty: none
};

// "COM 1".."COM 4" with the device path each stands for now.
std::vector<SerialPortChoice> serialPortChoices(const Settings& settings);
// The list with "<none>" in front; a device absent from it is kept (it may be unplugged
// now and back at the show), so a save never loses the choice.
QStringList midiChoices(const std::function<QStringList()>& source, const QString& stored);

} // namespace kalvor
