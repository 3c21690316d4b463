#include "tools/OptionTree.h"

namespace kalvor {

namespace {

constexpr OptionNode kNodes[] = {
    {"Program", nullptr, {"Program", "Programm"}, false},
    {"Interface", "Program", {"Interface", "Oberfläche"}, true},
    {"Playback", nullptr, {"Playback", "Wiedergabe"}, false},
    {"Audio", "Playback", {"Audio", "Audio"}, true},
    {"Output Devices", "Playback", {"Output Devices", "Ausgangsgeräte"}, true},
    {"Soundlist", "Playback", {"Soundlist", "Sound Liste"}, true},
    {"Playlist", "Playback", {"Playlist", "Playlist"}, true},
    {"Log", "Playback", {"Log", "Log"}, true},
    {"Control", nullptr, {"Control", "Steuerung"}, false},
    {"RS232Remote", "Control", {"RS-232 Remote", "RS-232 Remote"}, true},
    {"USBRemote", "Control", {"USB Remote", "USB Remote"}, true},
    {"GPIO", "Control", {"GPI/O", "GPI/O"}, true},
    {"Touchscreen", "Control", {"Touchscreen", "Touchscreen"}, true},
    {"MIDI", "Control", {"MIDI", "MIDI"}, false},
    {"MIDISetup", "MIDI", {"Setup", "Einstellungen"}, true},
    {"MIDIAssign", "MIDI", {"Assign", "Zuweisung"}, true},
    {"MIDIMonitor", "MIDI", {"Monitor", "Monitor"}, true},
    // The display unit and the FTP list are driven from the keypads and the FTP window,
    // so they sit with the other devices.
    {"Display", "Control", {"Display", "Display"}, true},
    {"FTP", "Control", {"FTP", "FTP"}, true},
    {"OSC", "Control", {"OSC", "OSC"}, true},
};

} // namespace

std::span<const OptionNode> optionNodes() {
    return kNodes;
}

const OptionNode* findOptionNode(QStringView key) {
    for (const OptionNode& n : kNodes) {
        if (key.compare(QLatin1String(n.key), Qt::CaseInsensitive) == 0)
            return &n;
    }
    return nullptr;
}

const OptionNode& firstOptionPage() {
    return kNodes[1];
}

} // namespace kalvor
