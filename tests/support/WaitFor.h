// Waiting for something a real device, server or child process does: events are processed
// meanwhile, and the limit only keeps a hung peer from hanging the test; no test asserts
// how long it took.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace kalvor::test {

template <typename Done> bool waitFor(Done done, int limitMs) {
    QElapsedTimer guard;
    guard.start();
    // `done` is asked once per round and never again once it holds: it may take what it sees.
    // The pause between rounds leaves the peer's threads the lock and the processor that a
    // spinning test would hold.
    while (!done()) {
        if (guard.elapsed() >= limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

} // namespace kalvor::test
