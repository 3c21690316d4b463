// Shared by the unit tests (KR-1, KR-2, KD-1): a unit port whose CTS line the test sets.
// Writes are kept, and passed on to `forward` when one is given (a real serial line, so a
// peer at the far end of a pty sees them).
#pragma once

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

} // namespace kalvor::test
