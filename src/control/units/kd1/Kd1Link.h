// The KD-1's own serial port, behind a small interface so the display's pages can be
// driven against a real pseudo-terminal or straight into a peer in memory. Reading CTS
// needs modem lines: a port without them (a pseudo-terminal) counts as clear to send.
// UI thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QSerialPort;

namespace kalvor::units {

class Kd1Link {
public:
    virtual ~Kd1Link() = default;
    virtual bool open(const QString& device) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool clearToSend() = 0;
    virtual void write(const QByteArray& bytes) = 0;
};

// The real port at 19200,N,8,1.
class Kd1SerialLink final : public Kd1Link {
public:
    Kd1SerialLink();
    ~Kd1SerialLink() override;
    bool open(const QString& device) override;
    void close() override;
    bool isOpen() const override;
    bool clearToSend() override;
    void write(const QByteArray& bytes) override;

    // Tests stand in for the modem line a pseudo-terminal lacks.
    void setClearToSendSource(std::function<bool()> source) { cts_ = std::move(source); }

private:
    std::unique_ptr<QSerialPort> port_;
    std::function<bool()> cts_;
};

} // namespace kalvor::units
