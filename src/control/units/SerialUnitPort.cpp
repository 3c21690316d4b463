#include "control/units/SerialUnitPort.h"

#include "control/serial/SerialLine.h"

namespace kalvor {

bool SerialUnitPort::isOpen() const {
    return line_.isOpen();
}

bool SerialUnitPort::clearToSend() const {
    return line_.clearToSend();
}

void SerialUnitPort::write(const QByteArray& bytes) {
    line_.write(bytes);
}

} // namespace kalvor
