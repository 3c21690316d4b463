// Shared by the unit tests (KR-1, KR-2, KD-1): a unit port whose CTS line the test sets.
// Writes are kept, and passed on to `forward` when one is given (a real serial line, so a
// peer at the far end of a pty sees them).
#pragma once

#include "control/units/SerialUnitPort.h"
#include "control/units/UnitPort.h"

#include <functional>

namespace kalvor::test {

class TestUnitPort : public UnitPort {
public:
    bool cts = true;
    bool open = true;
    QByteArray written;
    std::function<void(const QByteArray&)> forward;

    bool isOpen() const override { return open; }
    bool clearToSend() const override { return cts; }
    void write(const QByteArray& bytes) override {
        written += bytes;
        if (forward)
            forward(bytes);
    }
};

// The real serial port, counting what the program handed it: a test waits until the peer
// has read as many bytes, rather than for a pause on the line, which a loaded machine
// makes anyway.
class CountedSerialPort : public SerialUnitPort {
public:
    using SerialUnitPort::SerialUnitPort;
    qint64 sent = 0;
    void write(const QByteArray& bytes) override {
        sent += bytes.size();
        SerialUnitPort::write(bytes);
    }
};

} // namespace kalvor::test
