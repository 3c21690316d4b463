#include "control/serial/SerialLine.h"

#include "core/Settings.h"
#include "core/SystemMessages.h"

#include <QSerialPort>

#include <sys/ioctl.h>

namespace kalvor {
namespace {

bool on(const Settings& s, const char* key) {
    return s.text(QString::fromLatin1(key)) == QLatin1String("ON");
}

int portNumber(const Settings& s) {
    bool ok = false;
    const int n = s.text(u"ComPort").toInt(&ok);
    return ok && n >= 1 && n <= 4 ? n : 1;
}

} // namespace

QString comDevicePath(const Settings& settings, int portNumber) {
    const QString path = settings.text(QStringLiteral("ComDevice%1").arg(portNumber));
    return path.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(portNumber - 1) : path;
}

SerialLine::SerialLine(Settings& settings, QObject* parent)
    : QObject(parent), settings_(settings), port_(new QSerialPort(this)) {
    connect(port_, &QSerialPort::readyRead, this, &SerialLine::onReadyRead);
    // An adapter pulled out or the far end of a pseudo-terminal gone: a hung-up line
    // reports a resource or a read error, and goes on waking the event loop with it until
    // it is closed. The show goes on without it, and the port is taken up again as soon
    // as its device is back.
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if ((e == QSerialPort::ResourceError || e == QSerialPort::ReadError) && port_->isOpen())
            lost();
    });
    reconnect_.setInterval(kReconnectMs);
    connect(&reconnect_, &QTimer::timeout, this, &SerialLine::reconnect);
}

SerialLine::~SerialLine() = default;

void SerialLine::setReceiver(const QString& mode, Receiver receiver) {
    receivers_[mode] = std::move(receiver);
}

QString SerialLine::configuredDevice() const {
    return comDevicePath(settings_, portNumber(settings_));
}

bool SerialLine::isOpen() const {
    return port_->isOpen();
}

bool SerialLine::userModeAck() const {
    return settings_.text(u"ComMode") == QLatin1String("User") && on(settings_, "SendACK");
}

void SerialLine::configureLine() {
    bool ok = false;
    int rate = settings_.text(u"BaudRate").toInt(&ok);
    if (!ok || rate <= 0)
        rate = 19200;
    const QString mode = settings_.text(u"ComMode");
    if (mode == QLatin1String("KR-1"))
        rate = 19200;
    else if (mode == QLatin1String("KR-2"))
        rate = 9600;
    port_->setBaudRate(rate);
    port_->setParity(QSerialPort::NoParity);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
}

void SerialLine::lost() {
    SystemMessages::instance().addDebugMessage(
        QStringLiteral("Serial port %1 lost: %2").arg(device_, port_->errorString()));
    port_->close();
    reconnect_.start();
    Q_EMIT lineChanged();
}

void SerialLine::reconnect() {
    if (port_->isOpen() || !on(settings_, "EnableCom")) {
        reconnect_.stop();
        return;
    }
    // Quiet while the device is missing: one message said it was lost.
    if (openPort(false)) {
        reconnect_.stop();
        SystemMessages::instance().addDebugMessage(
            QStringLiteral("Serial port %1 is back").arg(device_));
    }
}

bool SerialLine::open() {
    reconnect_.stop();
    return openPort(true);
}

bool SerialLine::openPort(bool report) {
    if (port_->isOpen())
        close();
    device_ = configuredDevice();
    port_->setPortName(device_);
    configureLine();
    if (!port_->open(QIODevice::ReadWrite)) {
        if (!report)
            return false;
        SystemMessages::instance().addDebugMessage(
            QStringLiteral("Serial port %1 could not be opened: %2")
                .arg(device_, port_->errorString()));
        Q_EMIT lineChanged();
        return false;
    }
    // Some drivers only take the line settings once the port is open.
    configureLine();
    if (userModeAck())
        writeLine("Kalvor User Mode Ready ");
    Q_EMIT lineChanged();
    return true;
}

void SerialLine::close() {
    reconnect_.stop();
    if (!port_->isOpen())
        return;
    if (userModeAck()) {
        writeLine("Kalvor User Mode Closed");
        port_->waitForBytesWritten(500);
    }
    port_->close();
    Q_EMIT lineChanged();
}

void SerialLine::applySettings() {
    if (!on(settings_, "EnableCom")) {
        close();
        return;
    }
    // A lost port that is still the one chosen is waited for: it opens with the new line
    // settings once its device is back.
    if (!port_->isOpen() && reconnect_.isActive() && configuredDevice() == device_)
        return;
    if (!port_->isOpen() || configuredDevice() != device_) {
        open();
        return;
    }
    configureLine();
    Q_EMIT lineChanged();
}

void SerialLine::writeLine(const QByteArray& line) {
    if (port_->isOpen())
        port_->write(line + "\r\n");
}

void SerialLine::write(const QByteArray& bytes) {
    if (port_->isOpen())
        port_->write(bytes);
}

void SerialLine::drain(int ms) {
    if (port_->isOpen())
        port_->waitForBytesWritten(ms);
}

bool SerialLine::clearToSend() const {
    if (!port_->isOpen())
        return true;
    // Asked of the descriptor rather than through QSerialPort::pinoutSignals, which
    // raises an error on a pseudo-terminal; a line that cannot be read counts as clear.
    int status = 0;
    if (::ioctl(static_cast<int>(port_->handle()), TIOCMGET, &status) != 0)
        return true;
    return (status & TIOCM_CTS) != 0;
}

void SerialLine::onReadyRead() {
    // While a receiver runs (a recall's wait lets events in), the port keeps reading into
    // its buffer but announces nothing new; what came meanwhile is taken here, or a key
    // would wait for the next byte to be heard.
    while (port_->isOpen() && port_->bytesAvailable() > 0) {
        const QByteArray text = port_->readAll();
        const auto it = receivers_.find(settings_.text(u"ComMode"));
        if (it != receivers_.end() && it->second)
            it->second(text);
    }
}

} // namespace kalvor
