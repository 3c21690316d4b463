// The disk thread keeps the streams' buffers filled ahead of the device callbacks, so it
// must not queue behind ordinary threads on a busy machine: it runs round-robin real-time
// at the lowest priority wherever the process may use real-time scheduling.
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <pthread.h>
#include <sched.h>

#include <thread>

namespace kalvor::audio::test {
namespace {

bool mayUseRealtime() {
    bool allowed = false;
    std::thread probe([&allowed] {
        sched_param p{};
        p.sched_priority = 1;
        allowed = pthread_setschedparam(pthread_self(), SCHED_RR, &p) == 0;
    });
    probe.join();
    return allowed;
}

// The scheduling policy of this process's thread called `name`; -1 when there is none.
int policyOf(const char* name) {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return sched_getscheduler(tid.toInt());
    }
    return -1;
}

TEST(AudioLibDiskThread, RunsRealtimeBelowTheCallbacksWhereAllowed) {
    if (!mayUseRealtime())
        GTEST_SKIP() << "this process may not use real-time scheduling";
    Offline off;
    EXPECT_EQ(policyOf("kalvor-disk"), SCHED_RR);
}

} // namespace
} // namespace kalvor::audio::test
