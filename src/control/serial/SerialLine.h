// The main window's serial port: "COM 1".."COM 4" stand for the device paths in the
// settings `ComDevice1`..`ComDevice4` (section "User"), so a USB adapter or a
// pseudo-terminal can take a port's place. The mode (`ComMode`) chooses which receiver
// gets the input; the User protocol and the remote units plug in here. Receive events
// arrive on the UI thread and writes leave in the order they were made. The line runs
// without kernel flow control; the remote units' queues ask `clearToSend` before each
// command instead, and a port without modem lines (a pseudo-terminal) is always clear to
// send. The remote-unit modes fix their own rate: "KR-1" 19200 and "KR-2" 9600 baud,
// N,8,1; "User" takes the `BaudRate` setting. A port whose device goes away (an adapter
// pulled out) is closed and opened again once the device is back. UI thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>

class QSerialPort;

namespace kalvor {

class Settings;

class SerialLine : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const QByteArray& text)>;

    explicit SerialLine(Settings& settings, QObject* parent = nullptr);
    ~SerialLine() override;

    // The receiver of a `ComMode` value ("User", "KR-1", "KR-2").
    void setReceiver(const QString& mode, Receiver receiver);

    // Opens the port the settings name; a port that cannot be opened leaves a system
    // message with the device path and the reason, and the program goes on without it.
    bool open();
    // Says goodbye in User mode and closes.
    void close();
    // After the settings were saved: opens, closes, moves to the new port or changes the
    // line settings of the open one, whichever the change asks for.
    void applySettings();

    bool isOpen() const;
    QString devicePath() const { return device_; }
    // Writes one line followed by CR LF.
    void writeLine(const QByteArray& line);
    // Writes the bytes as they are (the remote units frame their own commands).
    void write(const QByteArray& bytes);
    // Waits up to `ms` for what was written to leave (before closing).
    void drain(int ms);
    // CTS as the modem lines report it; true when the port's lines cannot be read.
    bool clearToSend() const;

    // How often a lost port's device is looked for again.
    static constexpr int kReconnectMs = 1000;

Q_SIGNALS:
    // The port was opened, closed or set up again: the remote units check whether their
    // mode is the one running now.
    void lineChanged();

private:
    void onReadyRead();
    void lost();
    void reconnect();
    bool openPort(bool report);
    void configureLine();
    bool userModeAck() const;
    QString configuredDevice() const;

    Settings& settings_;
    QSerialPort* port_;
    QTimer reconnect_; // runs while a port that was lost is wanted open
    QString device_;
    std::map<QString, Receiver> receivers_;
};

// The device path "COM n" stands for.
QString comDevicePath(const Settings& settings, int portNumber);

} // namespace kalvor
