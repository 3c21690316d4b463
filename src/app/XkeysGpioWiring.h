// The keypad and the GPIO interface in the program: their start-up and closing steps, the
// playlist's GPIO block, the option pages that switch them, and what they reach in other
// parts (the play log, the start offsets, each other). UI thread.
#pragma once

#include "control/gpio/GpioInterface.h"
#include "control/xkeys/XkeysControl.h"

#include <memory>

namespace kalvor {

class Kd1Operations;
class Lifecycle;
class MainWindow;
class OptionsDialog;

struct XkeysGpio {
    std::unique_ptr<XkeysControl> xkeys;
    std::unique_ptr<GpioInterface> gpio;
    // The options were saved: the GPIO assignment is read again.
    void optionsSaved();
};

// Builds both and fills their steps of `lifecycle`. `display` is the KD-1 unit (or its
// stand-in) that the large keypads' function block drives.
std::unique_ptr<XkeysGpio> wireXkeysGpio(ShowLayer& show, Settings& settings, Lifecycle& lifecycle,
                                         Kd1Operations* display);

// Once the main window and the options exist.
void attachXkeysGpio(XkeysGpio& parts, MainWindow& window, OptionsDialog& options);

} // namespace kalvor
