// A GPIO device in memory: a test (or an operator trying the feature) sets the input
// levels and sees every port write. It can also be told to fail, as a device that is
// pulled out does. UI thread.
#pragma once

#include "control/gpio/GpioDevice.h"

#include <functional>
#include <vector>

namespace kalvor::gpio {

struct PortWrite {
    int port;
    std::uint8_t value;
    friend bool operator==(const PortWrite&, const PortWrite&) = default;
};

class SimulatedGpio final : public GpioDevice {
public:
    QString name() const override { return QStringLiteral("simulated GPIO (24 lines)"); }
    bool setDirections(const Directions& d, const PortBytes& levels) override;
    std::optional<std::uint8_t> readPort(int port) override;
    bool writePort(int port, std::uint8_t value) override;

    // The contact on input line 1..24: `level` 1 or 0.
    void setInput(int line, int level);
    // The level an output line 1..24 is driven to now.
    int output(int line) const;
    const Directions& directions() const { return directions_; }
    const std::vector<PortWrite>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    // From now on every read and write fails.
    void pullOut() { gone_ = true; }
    // Each write, for the system messages when the program runs on the simulation.
    std::function<void(const PortWrite&)> onWrite;

private:
    Directions directions_{};
    std::array<std::uint8_t, 3> inputs_{};
    std::array<std::uint8_t, 3> outputs_{};
    std::vector<PortWrite> writes_;
    bool gone_ = false;
};

} // namespace kalvor::gpio
