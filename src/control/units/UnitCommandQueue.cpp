#include "control/units/UnitCommandQueue.h"

#include "control/units/UnitPort.h"
#include "core/SystemMessages.h"

#include <algorithm>

namespace kalvor {

UnitCommandQueue::UnitCommandQueue(QString unitName, QString busyMessage)
    : unitName_(std::move(unitName)), busyMessage_(std::move(busyMessage)) {}

bool UnitCommandQueue::enqueue(const QByteArray& command, int pauseMs) {
    if (command.isEmpty())
        return true;
    if (overflowed_)
        return false;
    if (pending_ == kSlots) {
        for (Slot& s : slots_)
            s = Slot{};
        write_ = read_ = pending_ = 0;
        overflowed_ = true;
        SystemMessages::instance().addDebugMessage(
            QStringLiteral("%1: more than %2 commands pending; they were dropped and the "
                           "screen is drawn again once the unit takes commands")
                .arg(unitName_)
                .arg(kSlots));
        return false;
    }
    slots_[write_] = Slot{command, std::max(0, pauseMs)};
    write_ = (write_ + 1) % kSlots;
    ++pending_;
    return true;
}

void UnitCommandQueue::clear() {
    for (Slot& s : slots_)
        s = Slot{};
    write_ = read_ = pending_ = pause_ = 0;
    overflowed_ = false;
}

void UnitCommandQueue::tick(UnitPort& port, int intervalMs) {
    if (!port.clearToSend()) {
        if (ctsWait_ == 0)
            SystemMessages::instance().addDebugMessage(busyMessage_);
        ctsWait_ = std::min(kMaxWaitMs, ctsWait_ + std::max(1, intervalMs));
        return;
    }
    const bool timedOut = ctsWait_ > kTimeoutMs;
    ctsWait_ = 0;
    if (timedOut) {
        clear();
        if (resync_)
            resync_(Resync::Restart);
    } else if (overflowed_) {
        overflowed_ = false;
        if (resync_)
            resync_(Resync::Redraw);
    }
    // The pause runs out in real time, whether or not anything waits behind it.
    if (pause_ >= 1) {
        pause_ -= intervalMs;
        return;
    }
    Slot& slot = slots_[read_];
    if (slot.command.isEmpty())
        return;
    if (port.isOpen())
        port.write(slot.command);
    pause_ = slot.pauseMs;
    slot = Slot{};
    read_ = (read_ + 1) % kSlots;
    --pending_;
}

} // namespace kalvor
