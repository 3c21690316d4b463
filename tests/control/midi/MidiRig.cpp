#include "MidiRig.h"

#include "engine/kae/Kae.h"

namespace kalvor::test {

MidiRig::MidiRig(int channels, int sounds, double seconds) {
    for (int ch = 0; ch < channels; ++ch) {
        QStringList files;
        for (int s = 0; s < sounds; ++s)
            files << ramp(QStringLiteral("c%1s%2").arg(ch).arg(s), seconds);
        loadChannel(ch, files);
    }
    out.send = [this](const midi::ShortMessage& m) {
        sent.push_back(m);
        return true;
    };
    QObject::connect(&in, &midi::MidiIn::monitorLine,
                     [this](const QString& line) { monitor.push_back(line); });
}

void MidiRig::assign(int row, int note, int channel, bool enabled) {
    ChannelAssignments& a = store.assignments(row);
    a.midiInNote = a.midiOutNote = note;
    a.midiInChannel = a.midiOutChannel = channel;
    a.midiInEnabled = a.midiOutEnabled = enabled;
}

void MidiRig::feed(std::initializer_list<midi::ShortMessage> messages) {
    for (const midi::ShortMessage& m : messages)
        in.handle(m);
}

std::vector<int> MidiRig::playing() const {
    std::vector<int> on;
    for (int ch = 0; ch < kChannelCount; ++ch)
        if (KAE__Channel_IsPlaying(ch))
            on.push_back(ch);
    return on;
}

} // namespace kalvor::test
