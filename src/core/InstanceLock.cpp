#include "core/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

namespace kalvor {

InstanceLock::InstanceLock(const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    path_ = dir + QStringLiteral("/kalvor.lock");
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0); // only a dead owner's lock is stale, never a slow one
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquire() {
    return lock_->tryLock(0);
}

} // namespace kalvor
