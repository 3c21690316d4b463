// The single-instance check: a lock file in the runtime folder ($XDG_RUNTIME_DIR, else the
// temporary folder). A lock left by a crashed instance is taken over, since its process
// no longer exists. UI thread, once at start-up.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace kalvor {

class InstanceLock {
public:
    // `folder` empty: the runtime folder.
    explicit InstanceLock(const QString& folder = {});
    ~InstanceLock();

    // True when this process is the only instance (and now holds the lock).
    bool acquire();
    QString lockPath() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace kalvor
