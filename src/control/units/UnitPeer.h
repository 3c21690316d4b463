// Shared by the software peers of the serial remote units (KR-1, KR-2) and the display
// unit (KD-1).
//
// A software stand-in for a unit at the far end of a serial line (a pseudo-terminal or a
// null-modem cable): reads the program's command stream from the port, keeps the screen
// model the unit's decoder builds from it, and sends the unit's key codes. Tests drive it
// in place of the hardware; `kalvor-tool unit` runs one for rehearsals. UI thread.
#pragma once

#include "control/units/UnitDecoder.h"
#include "control/units/UnitScreen.h"

#include <QObject>
#include <QString>

#include <memory>

class QSerialPort;

namespace kalvor {

class UnitPeer : public QObject {
    Q_OBJECT
public:
    explicit UnitPeer(std::unique_ptr<UnitDecoder> decoder, QObject* parent = nullptr);
    ~UnitPeer() override;

    // Opens the port at `path` at `baud`, N,8,1; false with the reason in `error`.
    bool open(const QString& path, int baud, QString* error = nullptr);
    void close();

    // The key's bytes, as the unit sends them; false when the port is not open or the
    // unit has no such code.
    bool sendKey(int code);
    // Any bytes at all (tests send noise this way).
    void sendRaw(const QByteArray& bytes);

    const UnitScreen& screen() const { return screen_; }
    UnitDecoder& decoder() { return *decoder_; }
    // Every byte received so far (tests check the framing on it), and forgets them.
    QByteArray takeReceived();
    qint64 receivedCount() const { return receivedCount_; }

    // Lets events run until `done` holds or `ms` pass; returns `done()`.
    bool waitFor(const std::function<bool()>& done, int ms = 5000);
    // Until `part` shows on the screen.
    bool waitForText(const QString& part, int ms = 5000);
    // Until nothing has arrived for `quietMs` (or `ms` pass).
    void waitQuiet(int quietMs = 150, int ms = 5000);

signals:
    void screenChanged();

private:
    void onReadyRead();

    std::unique_ptr<UnitDecoder> decoder_;
    UnitScreen screen_;
    QSerialPort* port_;
    QByteArray received_;
    qint64 receivedCount_ = 0;
};

} // namespace kalvor
