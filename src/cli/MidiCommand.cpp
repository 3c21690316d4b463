#include "cli/MidiCommand.h"

#include "control/midi/MidiPorts.h"

#include <cstdio>

namespace kalvor::cli {

namespace {

void usage() {
    std::fputs("usage: kalvor-tool midi --list [--in | --out]\n"
               "  --list          every device as a settings line: MidiInDevice=NAME,\n"
               "                  MidiOutDevice=NAME (section [Midi] of Kalvor.ini)\n"
               "  --list --in     input names only, one per line\n"
               "  --list --out    output names only, one per line\n",
               stderr);
}

} // namespace

int runMidi(const QStringList& args) {
    bool list = false, in = false, out = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--list"))
            list = true;
        else if (a == QLatin1String("--in"))
            in = true;
        else if (a == QLatin1String("--out"))
            out = true;
        else {
            std::fprintf(stderr, "kalvor-tool midi: unknown option '%s'\n", qUtf8Printable(a));
            usage();
            return 2;
        }
    }
    if (!list || (in && out)) {
        usage();
        return 2;
    }
    const bool both = !in && !out;
    if (in || both) {
        for (const QString& name : midi::midiInputNames())
            std::printf("%s%s\n", both ? "MidiInDevice=" : "", qUtf8Printable(name));
    }
    if (out || both) {
        for (const QString& name : midi::midiOutputNames())
            std::printf("%s%s\n", both ? "MidiOutDevice=" : "", qUtf8Printable(name));
    }
    return 0;
}

} // namespace kalvor::cli
