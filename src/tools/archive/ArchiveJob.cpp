#include "tools/archive/ArchiveJob.h"

namespace kalvor::archive {

void JobControl::pause() {
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void JobControl::resume() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    wake_.notify_all();
}

void JobControl::cancel() {
    cancelled_.store(true);
    resume();
}

bool JobControl::checkpoint() {
    // The run calls this for every few kilobytes; only a pause takes the lock.
    if (!paused_.load())
        return !cancelled_.load();
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !paused_ || cancelled_.load(); });
    return !cancelled_.load();
}

} // namespace kalvor::archive
