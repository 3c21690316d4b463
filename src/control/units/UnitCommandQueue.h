// Shared by the serial remote units (KR-1, KR-2) and the display unit (KD-1).
//
// The send queue between the screens and a slow unit: a ring of 500 slots, each holding
// one framed command and the pause to keep after sending it. The screens enqueue a whole
// page at once; the send timer hands the port one command per tick, and only while the
// unit holds CTS high. No I/O of its own: the owner calls `tick` from its timer (see
// `UnitLink`) and tests call it directly.
//
// CTS low: the first tick of a wait leaves `busyMessage` in the system messages; the
// wait grows by the tick interval up to 10000 ms. When CTS rises after a wait of more
// than 5000 ms the unit has most likely been switched off or reset, so the queue is
// dropped and the owner is asked to redraw from the start screen (`Resync::Restart`).
//
// More than 500 pending commands (a unit that holds CTS low while the show keeps
// changing): the pending commands are dropped, one system message says so, and further
// commands are refused until the queue may send again; then the owner is asked to redraw
// the screen it shows (`Resync::Redraw`). A half-drawn screen is worse than a late one,
// so the queue never sends a page with holes in it, and it never grows past 500 slots.
// UI thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>

namespace kalvor {

class UnitPort;

class UnitCommandQueue {
public:
    static constexpr int kSlots = 500;
    static constexpr int kMaxWaitMs = 10000;
    static constexpr int kTimeoutMs = 5000;

    enum class Resync { Restart, Redraw };

    // `busyMessage`: the system message of a CTS wait ("KR-1 is busy or offline
    // (CTSHolding = FALSE)"); `unitName` names the unit in the overflow message.
    UnitCommandQueue(QString unitName, QString busyMessage);

    // Called when the queue has dropped its commands and the screen must be drawn again.
    void setResync(std::function<void(Resync)> resync) { resync_ = std::move(resync); }

    // Stores one framed command; false when it was refused (queue overflowed, see above).
    // An empty command is ignored: an empty slot means free.
    bool enqueue(const QByteArray& command, int pauseMs = 0);
    // Empties every slot and resets both indexes, the pause and the overflow state.
    void clear();

    // One send step; `intervalMs` is the time since the last tick.
    void tick(UnitPort& port, int intervalMs);

    int pending() const { return pending_; }
    int ctsWaitMs() const { return ctsWait_; }
    bool overflowed() const { return overflowed_; }

private:
    struct Slot {
        QByteArray command;
        int pauseMs = 0;
    };

    QString unitName_;
    QString busyMessage_;
    std::function<void(Resync)> resync_;
    std::array<Slot, kSlots> slots_;
    int write_ = 0;
    int read_ = 0;
    int pending_ = 0;
    int pause_ = 0;
    int ctsWait_ = 0;
    bool overflowed_ = false;
};

} // namespace kalvor
