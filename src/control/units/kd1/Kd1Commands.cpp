#include "control/units/kd1/Kd1Commands.h"

#include "control/units/kr2/Cp437.h"

#include <algorithm>

namespace kalvor::units {

namespace {

QByteArray cursor(int x, int y) {
    QByteArray out("\x1f\x24");
    out.append(static_cast<char>(std::clamp(x, 1, kKd1Columns)));
    out.append(static_cast<char>(std::clamp(y, 1, kKd1Rows)));
    return out;
}

} // namespace

QByteArray kd1Write(const QString& text, int x, int y, bool blink, bool reverse) {
    if (text.isEmpty())
        return {};
    QByteArray out = cursor(x, y);
    out.append("\x1f\x45");
    out.append(blink ? '\x05' : '\x00');
    out.append("\x1f\x72");
    out.append(reverse ? '\x01' : '\x00');
    out.append(toCp437(text));
    return out;
}

QByteArray kd1Clear() {
    return QByteArray(1, '\x0c');
}

QByteArray kd1PageStart() {
    return QByteArray("\x1f\x28\x44\x04\x00\x03\x62\x00\x02", 9);
}

QByteArray kd1Rule(int x, int y) {
    QByteArray out = cursor(x, y);
    out.append("\x1f\x45");
    out.append('\x00');
    out.append("\x1f\x72");
    out.append('\x00');
    out.append(QByteArray(43, '\xC4'));
    return out;
}

} // namespace kalvor::units
