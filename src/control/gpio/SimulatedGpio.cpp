#include "control/gpio/SimulatedGpio.h"

namespace kalvor::gpio {

bool SimulatedGpio::setDirections(const Directions& d, const PortBytes& levels) {
    if (gone_)
        return false;
    for (int line = 1; line <= 24; ++line) {
        const auto q = static_cast<std::size_t>(quarterOf(line));
        if (d[q] != GpioDirection::Out || directions_[q] == GpioDirection::Out)
            continue;
        auto& b = outputs_[static_cast<std::size_t>((line - 1) / 8)];
        const auto bit = static_cast<std::uint8_t>(1u << ((line - 1) % 8));
        const auto& from = levels[static_cast<std::size_t>((line - 1) / 8)];
        b = static_cast<std::uint8_t>((b & ~bit) | (from & bit));
    }
    directions_ = d;
    return true;
}

std::optional<std::uint8_t> SimulatedGpio::readPort(int port) {
    if (gone_ || port < 1 || port > 3)
        return std::nullopt;
    std::uint8_t mask = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (directions_[static_cast<std::size_t>(quarterOf((port - 1) * 8 + bit + 1))] ==
            GpioDirection::In)
            mask = static_cast<std::uint8_t>(mask | (1u << bit));
    }
    return static_cast<std::uint8_t>(inputs_[static_cast<std::size_t>(port - 1)] & mask);
}

bool SimulatedGpio::writePort(int port, std::uint8_t value) {
    if (gone_ || port < 1 || port > 3)
        return false;
    outputs_[static_cast<std::size_t>(port - 1)] = value;
    writes_.push_back({port, value});
    if (onWrite)
        onWrite(writes_.back());
    return true;
}

void SimulatedGpio::setInput(int line, int level) {
    if (line < 1 || line > 24)
        return;
    auto& b = inputs_[static_cast<std::size_t>((line - 1) / 8)];
    const auto bit = static_cast<std::uint8_t>(1u << ((line - 1) % 8));
    b = static_cast<std::uint8_t>(level ? (b | bit) : (b & ~bit));
}

int SimulatedGpio::output(int line) const {
    if (line < 1 || line > 24)
        return 0;
    return (outputs_[static_cast<std::size_t>((line - 1) / 8)] >> ((line - 1) % 8)) & 1;
}

} // namespace kalvor::gpio
