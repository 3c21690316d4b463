#include "control/osc/OscServer.h"

#include "control/osc/OscWire.h"

#include <QMetaObject>
#include <QPointer>

#include <lo/lo.h>

namespace kalvor::osc {

namespace {

// liblo reports errors through a plain function without context; the last one of the
// starting thread is what start() hands on.
thread_local QString lastLoError;

} // namespace

OscServer::OscServer(QObject* parent) : QObject(parent) {}

OscServer::~OscServer() {
    stop();
}

void OscServer::onError(int num, const char* msg, const char* where) {
    lastLoError = QStringLiteral("%1 (%2%3)")
                      .arg(QString::fromUtf8(msg ? msg : "unknown error"))
                      .arg(num)
                      .arg(where ? QStringLiteral(", ") + QString::fromUtf8(where) : QString());
}

bool OscServer::start(int port) {
    stop();
    error_.clear();
    lastLoError.clear();
    const QByteArray service = QByteArray::number(port);
    lo_server_thread st = lo_server_thread_new_with_proto(port > 0 ? service.constData() : nullptr,
                                                          LO_UDP, &OscServer::onError);
    if (!st) {
        error_ = lastLoError.isEmpty() ? QStringLiteral("cannot listen") : lastLoError;
        return false;
    }
    lo_server_thread_add_method(st, nullptr, nullptr,
                                reinterpret_cast<lo_method_handler>(&OscServer::onMessage), this);
    if (lo_server_thread_start(st) != 0) {
        error_ = QStringLiteral("cannot start the receiving thread");
        lo_server_thread_free(st);
        return false;
    }
    thread_ = st;
    port_ = lo_server_thread_get_port(st);
    return true;
}

void OscServer::stop() {
    if (!thread_)
        return;
    auto* st = static_cast<lo_server_thread>(thread_);
    lo_server_thread_stop(st);
    lo_server_thread_free(st);
    thread_ = nullptr;
    port_ = 0;
}

void OscServer::setAllowList(const AllowList& list) {
    const std::lock_guard<std::mutex> hold(mutex_);
    allow_ = list;
    strangers_.clear();
}

// The receiving thread: copy what arrived and leave; everything else happens on the UI
// thread, where the show lives. The count goes up after the hand-over, so whoever sees it
// finds the message already queued.
int OscServer::onMessage(const char* path, const char* types, void** argv, int argc, void* msg,
                         void* self) {
    auto* server = static_cast<OscServer*>(self);
    Inbound in;
    if (lo_address from = lo_message_get_source(static_cast<lo_message>(msg))) {
        in.host = QString::fromLatin1(lo_address_get_hostname(from));
        in.port = QByteArray(lo_address_get_port(from)).toInt();
    }
    bool allowed = false;
    bool firstRefusal = false;
    {
        const std::lock_guard<std::mutex> hold(server->mutex_);
        allowed = server->allow_.allows(in.host);
        if (!allowed && !server->strangers_.contains(in.host)) {
            server->strangers_.insert(in.host);
            firstRefusal = true;
        }
    }
    if (allowed) {
        in.address = path ? path : "";
        in.args = copyArgs(types ? types : "", argv, argc);
        QMetaObject::invokeMethod(
            server,
            [server, in = std::move(in)] {
                if (server->received)
                    server->received(in);
            },
            Qt::QueuedConnection);
    } else if (firstRefusal) {
        QMetaObject::invokeMethod(
            server,
            [server, host = in.host] {
                if (server->refused)
                    server->refused(host);
            },
            Qt::QueuedConnection);
    }
    server->packets_.fetch_add(1);
    return 0;
}

bool OscServer::send(const QString& host, int port, std::string_view address,
                     const std::vector<OutArg>& args) {
    lo_address to =
        lo_address_new(host.toLatin1().constData(), QByteArray::number(port).constData());
    if (!to)
        return false;
    lo_message m = lo_message_new();
    for (const OutArg& a : args) {
        switch (a.type) {
        case 'i':
            lo_message_add_int32(m, static_cast<int32_t>(a.number));
            break;
        case 'f':
            lo_message_add_float(m, static_cast<float>(a.number));
            break;
        default:
            lo_message_add_string(m, a.text.c_str());
            break;
        }
    }
    const std::string path(address);
    const bool ok = lo_send_message(to, path.c_str(), m) >= 0;
    lo_message_free(m);
    lo_address_free(to);
    return ok;
}

} // namespace kalvor::osc
