// Colours as the program stores them (red + 256 * green + 65536 * blue) and as Qt draws
// them. Any thread.
#pragma once

#include <QColor>

namespace kalvor {

inline QColor toQColor(int value) {
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

inline int fromQColor(const QColor& c) {
    return c.red() + 256 * c.green() + 65536 * c.blue();
}

} // namespace kalvor
