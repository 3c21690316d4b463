// Bytes that arrive while a receiver still runs: a recall started by one character waits
// and lets events run, and the port does not announce input again meanwhile.
#include "PtyPair.h"

#include "control/serial/SerialLine.h"
#include "core/Settings.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

// A pty pair and the settings of a line in the user protocol on its first end.
struct UserLineSetup {
    PtyPair pty;
    QTemporaryDir home;
    Settings settings{home.filePath(QStringLiteral("settings.ini"))};
    UserLineSetup() {
        settings.setText(u"ComMode", QStringLiteral("User"));
        settings.setText(u"ComDevice1", pty.path("a"));
    }
};

} // namespace

TEST(SerialReentry, CharacterArrivingDuringAWaitIsDelivered) {
    UserLineSetup rig;
    PtyPair& pty = rig.pty;
    Settings& settings = rig.settings;
    ASSERT_TRUE(pty.ready()) << "socat did not make the pty pair";
    QSerialPort far(pty.path("b"));
    ASSERT_TRUE(far.open(QIODevice::ReadWrite));
    SerialLine line(settings);
    QByteArray got;
    line.setReceiver(QStringLiteral("User"), [&](const QByteArray& text) {
        got += text;
        if (text != "+")
            return;
        // As a recall's wait: the next character comes in while events run.
        far.write("A");
        far.waitForBytesWritten(1000);
        QTest::qWait(300);
    });
    ASSERT_TRUE(line.open());
    far.write("+");
    far.waitForBytesWritten(1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() >= 2; }, 10000));
    EXPECT_EQ(got, QByteArray("+A"));
}

// A USB adapter pulled out mid-show and plugged in again: the port is lost, then taken up
// again by itself, and the controller is heard as before.
TEST(SerialReentry, LineUnpluggedAndBackIsHeardAgain) {
    UserLineSetup rig;
    PtyPair& pty = rig.pty;
    Settings& settings = rig.settings;
    ASSERT_TRUE(pty.ready()) << "socat did not make the pty pair";
    settings.setText(u"EnableCom", QStringLiteral("ON"));
    SerialLine line(settings);
    QByteArray got;
    line.setReceiver(QStringLiteral("User"), [&](const QByteArray& text) { got += text; });
    ASSERT_TRUE(line.open());

    pty.socat.kill();
    pty.socat.waitForFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !line.isOpen(); }, 10000)) << "loss not noticed";
    // The options saved meanwhile: the port is still waited for.
    settings.setText(u"BaudRate", QStringLiteral("9600"));
    line.applySettings();
    // Plugged in again: the same device path, a new device behind it.
    pty.socat.start(QStringLiteral("socat"),
                    {QStringLiteral("-d"), QStringLiteral("-d"),
                     QStringLiteral("pty,raw,echo=0,link=%1").arg(pty.path("a")),
                     QStringLiteral("pty,raw,echo=0,link=%1").arg(pty.path("b"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pty.ready(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return line.isOpen(); }, 15000)) << "not taken up again";
    QSerialPort far(pty.path("b"));
    ASSERT_TRUE(far.open(QIODevice::ReadWrite));
    far.write("B");
    far.waitForBytesWritten(1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.contains('B'); }, 10000));
}
