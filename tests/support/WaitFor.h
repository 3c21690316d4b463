// Waiting for something a real device, server or child process does: events are processed
// meanwhile, and the limit only keeps a hung peer from hanging the test; no test asserts
// how long it took.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace kalvor::test {

template <typename Done> bool waitFor(Done done, int limitMs) {
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

} // namespace kalvor::test
