#include "control/units/kr2/Kr2Commands.h"

#include "control/units/kr2/Cp437.h"

#include <algorithm>

namespace kalvor::units {

QByteArray kr2WriteBytes(int column, int row, const QByteArray& bytes) {
    QByteArray out;
    out.append(kEsc);
    out.append('O');
    out.append(QByteArray::number(std::clamp(column, 1, kKr2Columns)));
    out.append(',');
    out.append(QByteArray::number(std::clamp(row, 1, kKr2Rows)));
    out.append(bytes);
    return out;
}

QByteArray kr2Write(int column, int row, const QString& text) {
    return kr2WriteBytes(column, row, toCp437(text));
}

QByteArray kr2Normal() {
    return QByteArray("\x1bN");
}
QByteArray kr2Inverse() {
    return QByteArray("\x1bI");
}
QByteArray kr2Blink() {
    return QByteArray("\x1b"
                      "B\x10");
}
QByteArray kr2ClearCommand() {
    return QByteArray(1, kKr2Clear);
}

QByteArrayList kr2Setup() {
    return {QByteArray("\x1b"
                       "C0"),
            kr2ClearCommand(), QByteArray("\x1bM1"), kr2Normal()};
}

} // namespace kalvor::units
