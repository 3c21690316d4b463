// `kalvor-tool info SHOW.kal [--json]`: what a show file holds — its format, the presets
// with their names, per channel the selected sound and main settings, and the sounds
// that are missing on this machine — without starting the program. Main thread.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runInfo(const QStringList& args);

} // namespace kalvor::cli
