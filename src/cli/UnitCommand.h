// `kalvor-tool unit kr1|kr2|kd1 --port PATH [--png FILE]`: a software stand-in for one of
// the remote or display units at the far end of a serial line. It draws what the program
// sends into the unit's screen model, writes it as a PNG when asked, and sends the unit's
// keys typed on standard input, so a show can be run from it during rehearsals. Needs a
// QGuiApplication (the offscreen platform will do) for the PNG. Main thread.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runUnit(const QStringList& args);

} // namespace kalvor::cli
