// `kalvor-tool convert IN.kal OUT.kal [--force]`: reads a show of any format (2..17) and
// writes it as format 17, the way the program would save it after loading it: sound
// paths found on this machine, the overview layout upgraded, the GPIO block kept.
// A file that does not read cleanly is not converted. Main thread.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runConvert(const QStringList& args);

} // namespace kalvor::cli
