// Carries out one timed action of a rehearsal script on a loaded show, through the same
// operations as the strips, the keys and the remotes. Shared by `kalvor-tool render` and
// the real-time soak, so a soak's script replays offline exactly as it ran. UI thread.
#pragma once

#include "cli/RenderEvents.h"

#include <QString>

namespace kalvor {
class ShowLayer;
}

namespace kalvor::cli {

// Why the event could not be carried out (no such entry, output or position); empty when
// it was.
QString applyRenderEvent(ShowLayer& show, const RenderEvent& e);

} // namespace kalvor::cli
