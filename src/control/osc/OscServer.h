// The UDP side of OSC: a liblo server thread that receives messages and hands each one,
// with its sender, to the UI thread; and the sending of replies and feedback. No show
// state here. Made, started and stopped on the UI thread.
#pragma once

#include "control/osc/OscAllowList.h"
#include "control/osc/OscCommand.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace kalvor::osc {

struct Inbound {
    std::string address;
    std::vector<Arg> args;
    QString host; // the sender's address, numeric
    int port = 0; // the sender's UDP port
};

// One argument of an outgoing message.
struct OutArg {
    char type; // 'i', 'f' or 's'
    double number = 0;
    std::string text;
};

class OscServer : public QObject {
    Q_OBJECT
public:
    explicit OscServer(QObject* parent = nullptr);
    ~OscServer() override;

    // Listens on `port` (0: any free port) on every interface; false with `error` set when
    // the port cannot be had. A running server is stopped first.
    bool start(int port);
    void stop();
    bool isRunning() const { return thread_ != nullptr; }
    int port() const { return port_; }
    const QString& error() const { return error_; }

    // Fire and forget: a client gone away costs nothing.
    static bool send(const QString& host, int port, std::string_view address,
                     const std::vector<OutArg>& args);

    // Senders outside the list are turned away on the receiving thread, so a flood from a
    // stranger never reaches the UI thread. Forgets which strangers were reported.
    void setAllowList(const AllowList& list);
    // Messages that arrived so far, turned away ones included (any thread).
    int packets() const { return packets_.load(); }

    // Each received message from an allowed sender, on the UI thread in arrival order.
    std::function<void(const Inbound&)> received;
    // The first message of each stranger, on the UI thread.
    std::function<void(const QString& host)> refused;

private:
    static int onMessage(const char* path, const char* types, void** argv, int argc, void* msg,
                         void* self);
    static void onError(int num, const char* msg, const char* where);

    void* thread_ = nullptr; // lo_server_thread
    std::mutex mutex_;       // the list and the strangers, shared with the receiving thread
    AllowList allow_;
    QSet<QString> strangers_;
    std::atomic<int> packets_{0};
    int port_ = 0;
    QString error_;
};

} // namespace kalvor::osc
