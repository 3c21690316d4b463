// `kalvor-tool midi --list`: the MIDI devices of both APIs, one per line, exactly as the
// settings "MidiInDevice" and "MidiOutDevice" store them, so a booth machine can be set
// up by script.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runMidi(const QStringList& args);

} // namespace kalvor::cli
