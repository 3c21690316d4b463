// `kalvor-tool render SHOW.kal --out OUT.wav --seconds S [--preset N] [--events "T ACTION; ..."]`:
// loads a show, recalls a preset and renders offline through the real show layer and
// engine, applying the timed actions at exact render frames. For rehearsing a sequence
// without speakers, and for hearing the whole behaviour in tests.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runRender(const QStringList& args);

} // namespace kalvor::cli
