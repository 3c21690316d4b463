// The "GpioLines" setting: the 24 line offsets on the chip, port 1 bit 0 first, separated
// by commas. Empty means offsets 0..23. Pure, any thread.
#pragma once

#include <QString>

#include <array>

namespace kalvor::gpio {

inline constexpr int kLines = 24;

struct LineOffsets {
    std::array<unsigned, kLines> offsets{};
    QString error; // empty when the text was good; then `offsets` holds them
    bool ok() const { return error.isEmpty(); }
};

LineOffsets parseGpioLines(const QString& text);

} // namespace kalvor::gpio
