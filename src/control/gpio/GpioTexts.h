// Texts of the GPIO interface.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText GpioHardwareTitle{"USB-PIO Hardware", "USB-PIO Hardware"};
inline constexpr UiText GpioConnected{"USB-PIO has been connected!", "USB-PIO wurde erkannt!"};
inline constexpr UiText GpioRemoved{"USB-PIO has been removed!", "USB-PIO wurde entfernt!"};
inline constexpr UiText GpioErrorTitle{"Hardware Error", "Hardware Fehler"};
inline constexpr UiText GpioNoDevice{"No USB GPI/O device detected!",
                                     "Kein USB GPI/O Gerät erkannt!"};

} // namespace kalvor::texts
