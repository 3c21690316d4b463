#include "control/units/kd1/Kd1Link.h"

#include "core/SystemMessages.h"

#include <QSerialPort>

#include <sys/ioctl.h>

namespace kalvor::units {

Kd1SerialLink::Kd1SerialLink() : port_(std::make_unique<QSerialPort>()) {
    // A USB adapter pulled out: the port is closed once, with one line saying so, and the
    // display writes nothing more instead of failing at every page. A hung-up line says so
    // as a resource or a read error, and repeats it at every turn of the event loop until
    // it is closed.
    QObject::connect(
        port_.get(), &QSerialPort::errorOccurred, port_.get(),
        [this](QSerialPort::SerialPortError error) {
            if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) ||
                !port_->isOpen())
                return;
            AddDebugMessage(QStringLiteral("KD-1: the port %1 went away (%2)")
                                .arg(port_->portName(), port_->errorString()));
            port_->close();
        });
}

Kd1SerialLink::~Kd1SerialLink() {
    close();
}

bool Kd1SerialLink::open(const QString& device) {
    close();
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite))
        return false;
    port_->setBaudRate(19200);
    port_->setParity(QSerialPort::NoParity);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    // CTS is checked before each write rather than by the driver, so a unit that holds it
    // low loses texts instead of filling the driver's buffer with stale pages.
    port_->setFlowControl(QSerialPort::NoFlowControl);
    return true;
}

void Kd1SerialLink::close() {
    if (port_->isOpen()) {
        port_->flush();
        port_->close();
    }
}

bool Kd1SerialLink::isOpen() const {
    return port_->isOpen();
}

bool Kd1SerialLink::clearToSend() {
    if (cts_)
        return cts_();
    if (!port_->isOpen())
        return false;
    // Asked of the descriptor: QSerialPort::pinoutSignals raises an error on a
    // pseudo-terminal. No modem lines to read: nothing says the display is busy.
    int status = 0;
    if (::ioctl(static_cast<int>(port_->handle()), TIOCMGET, &status) != 0)
        return true;
    return (status & TIOCM_CTS) != 0;
}

void Kd1SerialLink::write(const QByteArray& bytes) {
    if (port_->isOpen())
        port_->write(bytes);
}

} // namespace kalvor::units
