#include "core/InstanceLock.h"

#include "core/SystemMessages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace kalvor {

namespace {

// What a second start sends: this line, then one argument per line, then a zero byte.
// Anything else on the socket is dropped unread.
constexpr char kGreeting[] = "kalvor-start\n";
constexpr qsizetype kMessageLimit = 64 * 1024;

} // namespace

QString InstanceLock::resolveFolder(const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}

InstanceLock::InstanceLock(const QString& folder) {
    path_ = resolveFolder(folder) + QStringLiteral("/kalvor.lock");
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0); // only a dead owner's lock is stale, never a slow one
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquire() {
    return lock_->tryLock(0);
}

QString InstanceLock::failure() const {
    switch (lock_->error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return {};
    case QLockFile::PermissionError:
        return QStringLiteral("%1: permission denied").arg(path_);
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("%1: cannot be created").arg(path_);
}

InstanceDoor::InstanceDoor(const QString& folder, QObject* parent)
    : QObject(parent),
      path_(InstanceLock::resolveFolder(folder) + QStringLiteral("/kalvor.socket")) {}

InstanceDoor::~InstanceDoor() = default;

bool InstanceDoor::open() {
    if (server_)
        return true;
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock holder gets here, so a socket file already there is a dead one's.
    QLocalServer::removeServer(path_);
    if (!server->listen(path_)) {
        SystemMessages::instance().addDebugMessage(
            QStringLiteral("A second start cannot reach this instance: %1 (%2)")
                .arg(path_, server->errorString()));
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection())
            take(s);
    });
    return true;
}

void InstanceDoor::take(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that connects and never finishes does not keep its socket for ever.
    QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    const QByteArray greeting(kGreeting);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer, greeting] {
        *buffer += socket->readAll();
        const qsizetype head = std::min(buffer->size(), greeting.size());
        if (buffer->size() > kMessageLimit || buffer->left(head) != greeting.left(head)) {
            socket->abort();
            return;
        }
        const qsizetype end = buffer->indexOf('\0');
        if (end < 0)
            return;
        const QStringList arguments =
            QString::fromUtf8(buffer->mid(greeting.size(), end - greeting.size()))
                .split(QLatin1Char('\n'));
        buffer->clear();
        if (accepting && !accepting()) {
            socket->abort();
            return;
        }
        socket->write("ok\n");
        socket->flush();
        socket->disconnectFromServer();
        if (holding_)
            held_ << arguments;
        else if (knocked)
            knocked(arguments);
    });
}

void InstanceDoor::setHolding(bool holding) {
    holding_ = holding;
    while (!holding_ && !held_.isEmpty()) {
        const QStringList arguments = held_.takeFirst();
        if (knocked)
            knocked(arguments);
    }
}

bool InstanceDoor::knock(const QStringList& arguments, int timeoutMs,
                         const std::function<bool()>& stopAsking) const {
    QByteArray message(kGreeting);
    QStringList lines;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QFileInfo f(arguments.at(i));
        lines << (i > 0 && f.exists() ? f.absoluteFilePath() : arguments.at(i));
    }
    message += lines.join(QLatin1Char('\n')).remove(QChar(0)).toUtf8();
    message += '\0';
    if (message.size() > kMessageLimit)
        return false;

    // The running instance opens its door once its start-up is done; until then, ask again.
    const QDeadlineTimer deadline(timeoutMs);
    do {
        QLocalSocket s;
        s.connectToServer(path_);
        if (s.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
            s.write(message);
            if (!s.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))))
                continue;
            QByteArray reply;
            while (!reply.contains('\n') &&
                   s.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
                reply += s.readAll();
            reply += s.readAll();
            if (reply.startsWith("ok\n"))
                return true;
        }
        if (stopAsking && stopAsking())
            return false;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

} // namespace kalvor
