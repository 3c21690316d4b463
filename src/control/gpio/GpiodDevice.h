// The kernel's GPIO character device through libgpiod (the 1.6 API of Debian 12): any
// gpiochip with the 24 lines the "GpioLines" setting names, such as a USB GPIO expander.
// UI thread.
#pragma once

#include "control/gpio/GpioDevice.h"
#include "control/gpio/GpioLines.h"

#include <QStringList>

#include <memory>

namespace kalvor::gpio {

// Opens the chip by name, label, number or path. Null, with the reason in `why`, when it
// is not there or lacks the lines.
std::unique_ptr<GpioDevice> openGpiodChip(const QString& chip, const LineOffsets& lines,
                                          QString* why);

// Every gpiochip of the system: "gpiochip0 [label] (32 lines)".
QStringList listGpioChips();

} // namespace kalvor::gpio
