// Shared by the unit tests (KR-1, KR-2, KD-1): a pseudo-terminal pair made by socat, the
// program's end at `path("a")`, the unit's (the software peer's) at `path("b")`.
#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace kalvor::test {

struct PtyPair {
    QTemporaryDir dir;
    QProcess socat;
    PtyPair() { start(); }
    // Also a pair made again at the same paths, as an adapter plugged in again.
    bool start() {
        socat.start(QStringLiteral("socat"),
                    {QStringLiteral("-d"), QStringLiteral("-d"),
                     QStringLiteral("pty,raw,echo=0,link=%1").arg(path("a")),
                     QStringLiteral("pty,raw,echo=0,link=%1").arg(path("b"))});
        return QTest::qWaitFor([this] { return ready(); }, 10000);
    }
    ~PtyPair() {
        socat.kill();
        socat.waitForFinished();
    }
    bool ready() const { return QFileInfo::exists(path("a")) && QFileInfo::exists(path("b")); }
    QString path(const char* end) const { return dir.filePath(QString::fromLatin1(end)); }
};

} // namespace kalvor::test
