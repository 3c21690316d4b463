// The running instance's door: a second start's command line arrives with its files made
// absolute; anything else on the socket is dropped without reaching the program.
#include "core/InstanceLock.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(InstanceDoor, SecondStartHandsOverItsCommandLine) {
    const QString folder = freshFolder(QStringLiteral("door"));
    // A socket file left by a crashed instance is in the way.
    writeFile(folder + QStringLiteral("/kalvor.socket"), "stale");
    InstanceDoor running(folder);
    QList<QStringList> got;
    running.knocked = [&](const QStringList& args) {
        got << args;
    };
    ASSERT_TRUE(running.open());

    const QString show = freshFolder(QStringLiteral("shows")) + QStringLiteral("/Act 1.kal");
    writeFile(show, "Fileformat 17\r\n");
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QFileInfo(show).path());
    // The knock waits for the answer, which the running side gives from its event loop:
    // knock from a second thread of this test, as from a second process.
    const auto knock = [&](const QStringList& args) {
        bool handed = false;
        std::unique_ptr<QThread> second(
            QThread::create([&] { handed = InstanceDoor(folder).knock(args, 10000); }));
        second->start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return second->isFinished(); }, 15000));
        second->wait();
        return handed;
    };
    EXPECT_TRUE(
        knock({QStringLiteral("kalvor"), QStringLiteral("Act 1.kal"), QStringLiteral("--x")}));
    QDir::setCurrent(cwd);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got.first(),
              QStringList({QStringLiteral("kalvor"), QFileInfo(show).absoluteFilePath(),
                           QStringLiteral("--x")}));

    // Strangers on the socket: a wrong greeting, a greeting without its end, far too much.
    const std::vector<QByteArray> junk = {"hello\n\0", "kalvor-start\nAct 1.kal",
                                          "kalvor-start\n" + QByteArray(70000, 'a')};
    for (const QByteArray& bytes : junk) {
        QLocalSocket s;
        s.connectToServer(running.path());
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write(bytes);
        s.flush();
        s.abort();
    }
    // The next honest start still gets through, and only it arrives.
    EXPECT_TRUE(knock({QStringLiteral("kalvor")}));
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got.last(), QStringList({QStringLiteral("kalvor")}));
}

TEST(InstanceDoor, KnockWithNobodyRunningGivesUp) {
    const QString folder = freshFolder(QStringLiteral("empty"));
    EXPECT_FALSE(InstanceDoor(folder).knock({QStringLiteral("kalvor")}, 300));
}
