// Shared by the serial remote units (KR-1, KR-2) and the display unit (KD-1).
//
// The port a unit's command queue writes to. Clear-to-send is asked through the port
// rather than read from the device, because a pseudo-terminal has no modem lines: the
// real port reads them, a port whose lines cannot be read counts as clear to send, and
// a test port sets the line itself. UI thread.
#pragma once

#include <QByteArray>

namespace kalvor {

class UnitPort {
public:
    virtual ~UnitPort() = default;

    virtual bool isOpen() const = 0;
    // True while the unit holds CTS high (or the line cannot be read).
    virtual bool clearToSend() const = 0;
    // Writes the bytes as they are: the unit's framing is already in them.
    virtual void write(const QByteArray& bytes) = 0;
};

} // namespace kalvor
