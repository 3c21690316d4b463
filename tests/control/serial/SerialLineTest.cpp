// The User protocol: its decoder's corners as a table, then over a real pseudo-terminal
// pair, the program holding one end as "COM 1", the test the show controller at the other
// end. Also bytes that arrive while a receiver still runs, and the adapter pulled out and
// plugged in again.
#include "PtyPair.h"
#include "support/ProgramRun.h"
#include "support/ShowRig.h"

#include "control/serial/ComUser.h"
#include "control/serial/ComUserMode.h"
#include "control/serial/SerialLine.h"
#include "core/SystemMessages.h"

#include <QSerialPort>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using K = ComUserActionKind;

namespace {

const int kPresets = 15;

struct Step {
    QByteArray text;
    std::optional<ComUserAction> action;
    QByteArrayList lines;
    QByteArray buffer;
};

struct Case {
    const char* name;
    bool echo;
    bool ack;
    std::vector<Step> steps; // fed one after another, the buffer carried over
};

// The show controller's end: what it reads until `expected` has arrived (or time is up).
// Generous: the whole program's start-up under sanitizers on a busy machine takes seconds,
// and the wait ends as soon as the bytes are there.
QByteArray readUntil(QSerialPort& far, qsizetype bytes) {
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += far.readAll();
            return got.size() >= bytes;
        },
        60000);
    return got;
}

struct ControllerShow : ShowRig {
    ControllerShow() {
        loadChannel(0, {ramp(QStringLiteral("a"), 5.0)});
        addPresets(kPresets);
        for (const char* key : {"EnableCom", "SendACK", "EchoCMD"})
            settings->setText(QString::fromLatin1(key), QStringLiteral("ON"));
        settings->setText(u"ComMode", QStringLiteral("User"));
        settings->setText(u"ComPort", QStringLiteral("1"));
    }
    bool channel1Heard() { return !renderMs(30).silentAfterRamp(); }
};

} // namespace

TEST(ComUser, SequencesGiveActionsLinesAndBuffer) {
    // The pty test covers the common letters, Return and the fifteen-preset cases; these
    // are the corners.
    const std::vector<Case> cases = {
        // clang-format off
        {"zero", false, false, {{"0", {}, {}, "0"}, {"\r", {}, {}, ""}}},
        {"digits arriving together", false, true, {{"73", {}, {"Received: 73 (number for Preset select)"}, "73"}}},
        {"digits then junk is no number", false, false, {{"1A", {}, {}, "1A"}, {"\r", {}, {}, ""}}},
        {"last upper-case letter", false, true, {{"H", ComUserAction{K::PlayLeft, 8}, {"Received: H (start/stop channel 8)"}, ""}}},
        {"lower-case stops", false, true, {{"c", ComUserAction{K::PlayRight, 3}, {"Received: c (stopping channel 3)"}, ""}}},
        {"I is not a channel", false, true, {{"I", {}, {"Received: I (not used!)"}, ""}}},
        {"line feed is not return", false, true, {{"\n", {}, {"Received: \n (not used!)"}, ""}}},
        {"empty read does nothing", true, true, {{"", {}, {}, ""}}},
        {"leading zeros", false, false, {{"007", {}, {}, "007"}, {"\r", ComUserAction{K::RecallPreset, 7}, {}, ""}}},
        {"letters keep the typed number", false, false,
         {{"3", {}, {}, "3"}, {"A", ComUserAction{K::PlayLeft, 1}, {}, "3"}, {"\r", ComUserAction{K::RecallPreset, 3}, {}, ""}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        QByteArray buffer;
        for (const auto& s : c.steps) {
            const auto r = comUser(s.text, buffer, {c.echo, c.ack, kPresets});
            EXPECT_EQ(r.action, s.action) << c.name << " at " << s.text.toStdString();
            EXPECT_EQ(r.lines, s.lines) << c.name << " at " << s.text.toStdString();
            EXPECT_EQ(r.buffer, s.buffer) << c.name << " at " << s.text.toStdString();
            buffer = r.buffer;
        }
    }
}

// A long run of digits may not grow the buffer without bound or select a preset that does
// not exist.
TEST(ComUser, LongDigitRunsStayBounded) {
    QByteArray buffer;
    for (int i = 0; i < 10000; ++i)
        buffer = comUser("9", buffer, {false, false, kPresets}).buffer;
    EXPECT_LE(buffer.size(), kComUserBufferLimit);
    EXPECT_FALSE(comUser("\r", buffer, {false, false, kPresets}).action.has_value());
}

TEST(SerialLine, ControllerDrivesTheShowOverAPty) {
    PtyPair pty;
    ASSERT_TRUE(pty.ready()) << "socat did not make the pty pair";
    ControllerShow rig;
    rig.settings->setText(u"ComDevice1", pty.path("a"));
    SerialLine line(*rig.settings);
    ComUserMode user(*rig.show, *rig.settings, &line);
    line.setReceiver(QStringLiteral("User"), [&](const QByteArray& t) { user.received(t); });

    QSerialPort far(pty.path("b"));
    ASSERT_TRUE(far.open(QIODevice::ReadWrite));
    ASSERT_TRUE(line.open());
    EXPECT_EQ(readUntil(far, 25), QByteArray("Kalvor User Mode Ready \r\n"));

    // After each step: channel 1 heard (1) or silent (0), and the current preset;
    // -1 leaves it unchecked. EchoCMD and SendACK are both on.
    struct Step {
        QByteArray send;
        QByteArray reply;
        int heard;
        int preset;
    };
    const std::vector<Step> steps = {
        // clang-format off
        {"A", "A\r\nReceived: A (start/stop channel 1)\r\n", 1, -1},
        {"a", "a\r\nReceived: a (stopping channel 1)\r\n", 0, -1},
        {"1", "1\r\nReceived: 1 (number for Preset select)\r\n", -1, -1},
        {"2", "2\r\nReceived: 2 (number for Preset select)\r\n", -1, -1},
        {"\r", "\r\r\nReceived: Return (select/start Preset)\r\n", -1, 11},
        {"20", "20\r\nReceived: 20 (number for Preset select)\r\n", -1, -1},
        {"\r", "\r\r\nReceived: Return (select/start Preset)\r\n", -1, 11},
        {"\r", "\r\r\nReceived: Return (select/start Preset)\r\n", -1, 11},
        {"-", "-\r\nReceived: - (select/start previous Preset)\r\n", -1, 10},
        {"+", "+\r\nReceived: + (select/start next Preset)\r\n", -1, 11},
        {"AB", "AB\r\nReceived: A (start/stop channel 1)\r\n", 1, -1},
        {"x", "x\r\nReceived: x (stopping all sounds)\r\n", 0, -1},
        {"?", "?\r\nReceived: ? (not used!)\r\n", -1, -1},
        // clang-format on
    };
    for (const auto& s : steps) {
        far.write(s.send);
        far.waitForBytesWritten(1000);
        EXPECT_EQ(readUntil(far, s.reply.size()), s.reply) << s.send.toStdString();
        EXPECT_TRUE(s.heard < 0 || rig.channel1Heard() == (s.heard == 1)) << s.send.toStdString();
        EXPECT_TRUE(s.preset < 0 || rig.store.presets().current() == s.preset)
            << s.send.toStdString();
    }

    // Settings saved while the port is open, one after another.
    const QString missing = QStringLiteral("/nonexistent/ttyKalvor2");
    rig.settings->setText(u"ComDevice2", missing);
    struct Change {
        const char* key;
        const char* value;
        bool openAfter;
        QByteArray reply;
    };
    const std::vector<Change> changes = {
        {"BaudRate", "9600", true, {}},
        {"EnableCom", "OFF", false, "Kalvor User Mode Closed\r\n"},
        {"EnableCom", "ON", true, "Kalvor User Mode Ready \r\n"},
        {"ComPort", "2", false, "Kalvor User Mode Closed\r\n"},
        {"ComPort", "1", true, "Kalvor User Mode Ready \r\n"},
    };
    for (const auto& c : changes) {
        rig.settings->setText(QString::fromLatin1(c.key), QString::fromLatin1(c.value));
        line.applySettings();
        EXPECT_EQ(line.isOpen(), c.openAfter) << c.key << "=" << c.value;
        EXPECT_TRUE(c.reply.isEmpty() || readUntil(far, c.reply.size()) == c.reply)
            << c.key << "=" << c.value;
    }
    EXPECT_TRUE(SystemMessages::instance().entries().join(u'\n').contains(missing));

    // The far end goes away while the port is open: the show goes on.
    far.close();
    pty.socat.kill();
    pty.socat.waitForFinished();
    QTest::qWait(100);
    line.writeLine("anyone there?");
    line.close();
    EXPECT_FALSE(line.isOpen());
    line.writeLine("nobody listens");
}

// A recall started by one character waits and lets events run; the port does not announce
// input again meanwhile, and the character that came in is delivered afterwards.
TEST(SerialReentry, CharacterArrivingDuringAWaitIsDelivered) {
    PtyPair pty;
    ASSERT_TRUE(pty.ready()) << "socat did not make the pty pair";
    ControllerShow rig;
    rig.settings->setText(u"ComDevice1", pty.path("a"));
    QSerialPort far(pty.path("b"));
    ASSERT_TRUE(far.open(QIODevice::ReadWrite));
    SerialLine line(*rig.settings);
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
    PtyPair pty;
    ASSERT_TRUE(pty.ready()) << "socat did not make the pty pair";
    ControllerShow rig;
    rig.settings->setText(u"ComDevice1", pty.path("a"));
    SerialLine line(*rig.settings);
    QByteArray got;
    line.setReceiver(QStringLiteral("User"), [&](const QByteArray& text) { got += text; });
    ASSERT_TRUE(line.open());

    pty.socat.kill();
    pty.socat.waitForFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !line.isOpen(); }, 10000)) << "loss not noticed";
    // The options saved meanwhile: the port is still waited for.
    rig.settings->setText(u"BaudRate", QStringLiteral("9600"));
    line.applySettings();
    // Plugged in again: the same device path, a new device behind it.
    ASSERT_TRUE(pty.start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return line.isOpen(); }, 15000)) << "not taken up again";
    QSerialPort far(pty.path("b"));
    ASSERT_TRUE(far.open(QIODevice::ReadWrite));
    far.write("B");
    far.waitForBytesWritten(1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.contains('B'); }, 10000));
}

#ifdef KALVOR_APP
TEST(SerialLine, ProgramOpensComOneAtStartAndClosesItAtTheEnd) {
    PtyPair pty;
    ASSERT_TRUE(pty.ready());
    ProgramRun app;
    ASSERT_TRUE(app.ok());
    ASSERT_TRUE(app.writeSettings(
        "[User]\nEnableCom=ON\nSendACK=ON\nEchoCMD=ON\nComMode=User\nComPort=1\nComDevice1=" +
        pty.path("a").toUtf8() + "\n"));

    QSerialPort far(pty.path("b"));
    ASSERT_TRUE(far.open(QIODevice::ReadWrite));
    app.start();

    const QByteArray ready = "Kalvor User Mode Ready \r\n";
    EXPECT_EQ(readUntil(far, ready.size()), ready);
    far.write("A");
    const QByteArray reply = "A\r\nReceived: A (start/stop channel 1)\r\n";
    EXPECT_EQ(readUntil(far, reply.size()), reply);
    const QByteArray closed = "Kalvor User Mode Closed\r\n";
    EXPECT_EQ(readUntil(far, closed.size()), closed);
    EXPECT_TRUE(app.endsCleanly()) << app.errors();
}
#endif
