#include "app/OscWiring.h"

#include "control/osc/OscControl.h"
#include "core/Lifecycle.h"

namespace kalvor {

std::unique_ptr<osc::OscControl> wireOsc(Lifecycle& lifecycle, ShowLayer& show, Settings& settings,
                                         std::function<void()> escape) {
    auto control = std::make_unique<osc::OscControl>(show, settings, std::move(escape));
    osc::OscControl* c = control.get();

    // The serial line closes early in the closing order; the network goes with it.
    ShutdownHooks& down = lifecycle.shutdownHooks();
    down.closeSerialPort = [before = down.closeSerialPort, c] {
        if (before)
            before();
        c->stop();
    };
    return control;
}

} // namespace kalvor
