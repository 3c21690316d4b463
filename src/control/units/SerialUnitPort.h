// Shared by the serial remote units (KR-1, KR-2).
//
// The main window's serial line as a unit port: writes go to the open port, CTS is read
// from its modem lines. UI thread.
#pragma once

#include "control/units/UnitPort.h"

namespace kalvor {

class SerialLine;

class SerialUnitPort : public UnitPort {
public:
    explicit SerialUnitPort(SerialLine& line) : line_(line) {}

    bool isOpen() const override;
    bool clearToSend() const override;
    void write(const QByteArray& bytes) override;

private:
    SerialLine& line_;
};

} // namespace kalvor
