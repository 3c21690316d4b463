// The single-instance check: a lock file in the runtime folder ($XDG_RUNTIME_DIR, else the
// temporary folder). A lock left by a crashed instance is taken over, since its process
// no longer exists. Beside it, the running instance's door: a local socket on which a
// second start (a double-clicked show, a second click in the menu) hands over its command
// line, so the running window comes to the front instead of nothing happening. UI thread.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace kalvor {

class InstanceLock {
public:
    // `folder` empty: the runtime folder.
    explicit InstanceLock(const QString& folder = {});
    ~InstanceLock();

    // True when this process is the only instance (and now holds the lock).
    bool acquire();
    // After a failed acquire: empty when another instance holds the lock, else why the
    // lock file could not be made at all.
    QString failure() const;
    QString lockPath() const { return path_; }

    // The runtime folder that `folder` stands for (created when missing).
    static QString resolveFolder(const QString& folder);

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

class InstanceDoor : public QObject {
    Q_OBJECT
public:
    // `folder` empty: the runtime folder, as for the lock.
    explicit InstanceDoor(const QString& folder = {}, QObject* parent = nullptr);
    ~InstanceDoor() override;

    QString path() const { return path_; }

    // The instance holding the lock opens the door; a socket left by a crashed instance is
    // replaced. False (with the reason in the system messages) when it cannot listen.
    bool open();

    // A second start hands over its command line (program name first; names of existing
    // files made absolute, since the running instance has another working folder). True
    // once the running instance has taken it; false when none answers within `timeoutMs`,
    // or as soon as `stopAsking` (asked between attempts) says so.
    bool knock(const QStringList& arguments, int timeoutMs,
               const std::function<bool()>& stopAsking = {}) const;

    // On the running instance: each command line handed over, program name first.
    std::function<void(const QStringList& arguments)> knocked;
    // While holding (the instance is still starting up), command lines are taken and kept;
    // they reach `knocked` in their order once holding ends. A show double-clicked during
    // a long start-up is opened after it, not lost when the second start stops waiting.
    void setHolding(bool holding);
    // False while the instance can no longer take a command line (it is closing): a second
    // start then gets no answer and keeps asking until the lock is free, so that it opens
    // its show itself instead of handing it to a program about to end. Unset: always.
    std::function<bool()> accepting;

private:
    void take(QLocalSocket* socket);

    QString path_;
    QLocalServer* server_ = nullptr;
    bool holding_ = false;
    QList<QStringList> held_;
};

} // namespace kalvor
