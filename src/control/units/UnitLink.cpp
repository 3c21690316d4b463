#include "control/units/UnitLink.h"

#include "control/units/UnitPort.h"

#include <QElapsedTimer>
#include <QThread>

namespace kalvor {

UnitLink::UnitLink(UnitPort& port, QString unitName, QString busyMessage, QObject* parent)
    : QObject(parent), port_(port), queue_(std::move(unitName), std::move(busyMessage)) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { queue_.tick(port_, interval_); });
}

void UnitLink::start(int intervalMs) {
    interval_ = std::max(1, intervalMs);
    timer_.start(interval_);
}

void UnitLink::stop() {
    timer_.stop();
}

void UnitLink::flush(int maxMs) {
    QElapsedTimer clock;
    clock.start();
    while (queue_.pending() > 0 && clock.elapsed() < maxMs) {
        if (!port_.clearToSend()) {
            QThread::msleep(interval_);
            continue;
        }
        // Pauses are kept as the unit needs them, so the last screen really arrives.
        queue_.tick(port_, interval_);
        if (queue_.pending() > 0)
            QThread::msleep(interval_);
    }
}

} // namespace kalvor
