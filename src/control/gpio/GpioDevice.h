// A device with three 8-bit ports of switch lines: port 1 lines 1..8, port 2 lines 9..16,
// port 3 lines 17..24, the line's bit in its port being (line - 1) mod 8. Behind this
// interface sit the kernel's GPIO character device (libgpiod) and a simulated device for
// tests and for trying the feature without hardware. UI thread.
#pragma once

#include "show/playlist/GpioBlock.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kalvor::gpio {

using playlist::GpioDirection;

// Port 1, port 2, the low half of port 3 (lines 17..20), the high half (21..24).
using Directions = std::array<GpioDirection, 4>;
// The bytes of port 1..3.
using PortBytes = std::array<std::uint8_t, 3>;

// Which quarter of the directions a line 1..24 belongs to.
inline int quarterOf(int line) {
    return line <= 8 ? 0 : line <= 16 ? 1 : line <= 20 ? 2 : 3;
}

class GpioDevice {
public:
    virtual ~GpioDevice() = default;

    // How the system messages name it ("gpiochip0 (24 lines)").
    virtual QString name() const = 0;
    // Makes the lines inputs, outputs or leaves them alone; false when the device refused.
    // A line that becomes an output starts at its bit in `levels`; a line whose direction
    // stays is not touched, so an output goes on without a glitch.
    virtual bool setDirections(const Directions& directions, const PortBytes& levels) = 0;
    // The levels of port 1..3 (bits of lines that are not inputs read 0); nothing when the
    // read failed, which means the device has gone.
    virtual std::optional<std::uint8_t> readPort(int port) = 0;
    // Drives the output lines of port 1..3 to the bits of `value`; false on failure.
    virtual bool writePort(int port, std::uint8_t value) = 0;
};

} // namespace kalvor::gpio
