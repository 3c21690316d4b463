// Shared by the serial remote units (KR-1, KR-2) and the display unit (KD-1).
//
// A unit's command queue with its send timer and its port: the screens enqueue, the
// timer sends. Stopping the timer (another serial mode chosen, the unit closed) keeps
// the queue as it is; `UnitCommandQueue::clear` drops it. UI thread.
#pragma once

#include "control/units/UnitCommandQueue.h"

#include <QObject>
#include <QTimer>

namespace kalvor {

class UnitPort;

class UnitLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultIntervalMs = 10;

    UnitLink(UnitPort& port, QString unitName, QString busyMessage, QObject* parent = nullptr);

    UnitCommandQueue& queue() { return queue_; }
    UnitPort& port() { return port_; }

    void start(int intervalMs = kDefaultIntervalMs);
    void stop();
    bool running() const { return timer_.isActive(); }

    // Sends what is pending now, without the timer (for the closing screen): gives up
    // when CTS stays low for `maxMs`, so closing never hangs on a busy unit.
    void flush(int maxMs = 2000);

private:
    UnitPort& port_;
    UnitCommandQueue queue_;
    QTimer timer_;
    int interval_ = kDefaultIntervalMs;
};

} // namespace kalvor
