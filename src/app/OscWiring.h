// OSC remote control in the program: made beside the other inputs, silent from the
// closing sequence on (before the sound engine goes). The caller starts it with
// applySettings() once start-up is done, so no message meets a half-loaded show, and
// again after every save of the options.
#pragma once

#include <functional>
#include <memory>

namespace kalvor {

class Lifecycle;
class Settings;
class ShowLayer;

namespace osc {
class OscControl;
}

// Call after every other shut-down hook has been set: it adds its step to theirs. `escape` is the
// main window's Escape key.
std::unique_ptr<osc::OscControl> wireOsc(Lifecycle& lifecycle, ShowLayer& show, Settings& settings,
                                         std::function<void()> escape);

} // namespace kalvor
