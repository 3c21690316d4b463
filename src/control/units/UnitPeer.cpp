#include "control/units/UnitPeer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QThread>

namespace kalvor {
namespace {

// Received bytes kept for `takeReceived`; a peer left running for hours keeps only the
// newest ones.
constexpr qsizetype kKeepBytes = 1 << 20;

} // namespace

UnitPeer::UnitPeer(std::unique_ptr<UnitDecoder> decoder, QObject* parent)
    : QObject(parent), decoder_(std::move(decoder)), screen_(decoder_->surface()),
      port_(new QSerialPort(this)) {
    connect(port_, &QSerialPort::readyRead, this, &UnitPeer::onReadyRead);
}

UnitPeer::~UnitPeer() = default;

bool UnitPeer::open(const QString& path, int baud, QString* error) {
    close();
    port_->setPortName(path);
    port_->setBaudRate(baud);
    port_->setParity(QSerialPort::NoParity);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) {
        if (error)
            *error = port_->errorString();
        return false;
    }
    return true;
}

void UnitPeer::close() {
    if (port_->isOpen())
        port_->close();
}

bool UnitPeer::sendKey(int code) {
    const QByteArray bytes = decoder_->keyBytes(code);
    if (bytes.isEmpty() || !port_->isOpen())
        return false;
    port_->write(bytes);
    port_->flush();
    return true;
}

void UnitPeer::sendRaw(const QByteArray& bytes) {
    if (port_->isOpen()) {
        port_->write(bytes);
        port_->flush();
    }
}

QByteArray UnitPeer::takeReceived() {
    return std::exchange(received_, {});
}

void UnitPeer::onReadyRead() {
    const QByteArray bytes = port_->readAll();
    if (bytes.isEmpty())
        return;
    receivedCount_ += bytes.size();
    received_ += bytes;
    if (received_.size() > kKeepBytes)
        received_.remove(0, received_.size() - kKeepBytes);
    const int before = screen_.revision();
    decoder_->feed(bytes, screen_);
    if (screen_.revision() != before)
        emit screenChanged();
}

bool UnitPeer::waitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

bool UnitPeer::waitForText(const QString& part, int ms) {
    return waitFor([&] { return screen_.contains(part); }, ms);
}

void UnitPeer::waitQuiet(int quietMs, int ms) {
    QDeadlineTimer deadline(ms);
    qint64 seen = -1;
    QDeadlineTimer quiet(quietMs);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (receivedCount_ != seen) {
            seen = receivedCount_;
            quiet.setRemainingTime(quietMs);
        } else if (quiet.hasExpired()) {
            return;
        }
        QThread::msleep(2);
    }
}

} // namespace kalvor
