// The OSC server on a real UDP port of this machine, driven by liblo's own oscsend, with
// oscdump as a subscribed tablet and a raw UDP socket as a client that reads the replies.
// A tablet's evening (presses during a recall, restarts from new ports) goes straight into
// the control, as the receiving thread hands messages on.
#include "support/ShowRig.h"

#include "control/osc/OscControl.h"
#include "core/SystemMessages.h"
#include "show/playback/ShowLayer.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <utility>

using namespace kalvor;
using namespace kalvor::test;

namespace {

const int kPresets = 5;

struct OscShow : ShowRig {
    std::unique_ptr<osc::OscControl> control;

    explicit OscShow(const char* allow = osc::kDefaultAllowList) {
        loadChannel(0, {ramp(QStringLiteral("a"), 5.0)});
        addPresets(kPresets);
        settings->setText(u"OscEnable", QStringLiteral("1"));
        settings->setText(u"OscAllow", QString::fromLatin1(allow));
        settings->setInteger(u"OscPort", freePort());
        control = std::make_unique<osc::OscControl>(*show, *settings);
        control->applySettings();
    }
    static int freePort() {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        return probe.localPort();
    }
    // oscsend as the show controller; returns once the program has taken the message.
    bool send(const QStringList& message) {
        const int before = control->received();
        QProcess p;
        p.start(QStringLiteral("oscsend"),
                QStringList{QStringLiteral("127.0.0.1"), QString::number(control->port())} +
                    message);
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return false;
        if (!QTest::qWaitFor([&] { return control->received() > before; }, 10000))
            return false;
        QCoreApplication::processEvents(); // what the receiving thread queued before counting
        return true;
    }
    // A message as the receiving thread hands it on, from this machine.
    void handle(const char* address, int port = 9, std::vector<osc::Arg> args = {}) {
        control->handle({address, std::move(args), QStringLiteral("127.0.0.1"), port});
    }
    bool channel1Heard() { return !renderMs(30).silentAfterRamp(); }
};

// oscdump as a subscribed tablet, and what it has printed.
struct Dump {
    QProcess process;
    const int port = OscShow::freePort();
    QByteArray heard;

    explicit Dump(OscShow& rig) {
        process.start(QStringLiteral("oscdump"), {QStringLiteral("-L"), QString::number(port)});
        EXPECT_TRUE(process.waitForStarted());
        // oscdump may not listen yet when the first subscribe arrives: ask until it answers.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                rig.send({QStringLiteral("/kalvor/subscribe"), QStringLiteral("i"),
                          QString::number(port)});
                return hasRead("/kalvor/subscribed");
            },
            10000));
    }
    ~Dump() {
        process.kill();
        process.waitForFinished();
    }
    bool hasRead(const QByteArray& text) {
        heard += process.readAllStandardOutput();
        return heard.contains(text);
    }
    bool waitFor(const QByteArray& text) {
        return QTest::qWaitFor([&] { return hasRead(text); }, 10000);
    }
    // The rest of the first line that starts with `prefix`, once it has been printed whole.
    QByteArray lineAfter(const QByteArray& prefix) {
        qsizetype end = -1;
        const auto whole = [&] {
            hasRead({});
            const qsizetype at = heard.indexOf(prefix);
            end = at < 0 ? -1 : heard.indexOf('\n', at);
            return end >= 0;
        };
        if (!QTest::qWaitFor(whole, 10000))
            return {};
        const qsizetype from = heard.indexOf(prefix) + prefix.size();
        return heard.mid(from, end - from).trimmed();
    }
};

QStringList words(const char* text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A raw OSC message with int32 arguments only, as a minimal client builds it.
QByteArray rawMessage(const QByteArray& address, const std::vector<qint32>& ints) {
    const auto padded = [](QByteArray b) {
        b.append('\0');
        while (b.size() % 4)
            b.append('\0');
        return b;
    };
    QByteArray out = padded(address) + padded("," + QByteArray(qsizetype(ints.size()), 'i'));
    for (qint32 v : ints) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.append(char((quint32(v) >> shift) & 0xff));
    }
    return out;
}

} // namespace

TEST(OscControl, OscsendDrivesTheShow) {
    OscShow rig;
    ASSERT_TRUE(rig.control->isListening());
    // After each message: channel 1 heard (1) or silent (0), the current preset (0-based),
    // channel 1's volume and pan; -1 (or -999) leaves it unchecked.
    struct Step {
        const char* message;
        int heard;
        int preset;
        int volume;
        int pan;
    };
    const std::vector<Step> steps = {
        // clang-format off
        {"/kalvor/channel/1/play", 1, -1, -1, -999},
        {"/kalvor/channel/1/volume i 80", 1, -1, 80, -999},
        {"/kalvor/channel/1/pan f -40.2", 1, -1, -1, -40},
        // 64-bit arguments after a 32-bit one sit unaligned in the packet.
        {"/kalvor/channel/1/volume id 1 70", 1, -1, 80, -999},
        {"/kalvor/channel/1/pan ihd 1 2 -30", 1, -1, -1, -40},
        {"/kalvor/channel/1/pan d -30", 1, -1, -1, -30},
        {"/kalvor/channel/1/pause", 0, -1, -1, -999},
        {"/kalvor/channel/1/play", 1, -1, -1, -999},
        {"/kalvor/channel/1/stop", 0, -1, -1, -999},
        {"/kalvor/stopall", 0, -1, -1, -999},
        {"/kalvor/preset/recall i 4", -1, 3, -1, -999},
        {"/kalvor/preset/previous", -1, 2, -1, -999},
        {"/kalvor/preset/next", -1, 3, -1, -999},
        // clang-format on
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(rig.send(words(s.message))) << s.message;
        EXPECT_TRUE(s.heard < 0 || rig.channel1Heard() == (s.heard == 1)) << s.message;
        EXPECT_TRUE(s.preset < 0 || rig.store.presets().current() == s.preset) << s.message;
        EXPECT_TRUE(s.volume < 0 || rig.store.channel(0).volume == s.volume) << s.message;
        EXPECT_TRUE(s.pan == -999 || rig.store.channel(0).pan == s.pan) << s.message;
    }
}

TEST(OscControl, SenderOutsideTheAllowListCannotFireCues) {
    OscShow rig("192.0.2.10, 10.1.0.0/16");
    ASSERT_TRUE(rig.send(words("/kalvor/channel/1/play")));
    ASSERT_TRUE(rig.send(words("/kalvor/preset/recall i 3")));
    EXPECT_FALSE(rig.channel1Heard());
    EXPECT_EQ(rig.store.presets().current(), 0);
    const QStringList refused =
        SystemMessages::instance().entries().filter(QStringLiteral("refused"));
    ASSERT_EQ(refused.size(), 1) << "each stranger is named once";
    EXPECT_TRUE(refused.first().contains(QStringLiteral("127.0.0.1")));

    // Allowed once the operator adds this machine; the server keeps its port.
    const int port = rig.control->port();
    rig.settings->setText(u"OscAllow", QStringLiteral("192.0.2.10, 127.0.0.1"));
    rig.control->applySettings();
    EXPECT_EQ(rig.control->port(), port);
    ASSERT_TRUE(rig.send(words("/kalvor/channel/1/play")));
    EXPECT_TRUE(rig.channel1Heard());
}

TEST(OscControl, SubscriberHearsStartsStopsAndRecalls) {
    OscShow rig;
    Dump dump(rig);
    ASSERT_EQ(rig.control->subscribers().size(), 1);

    ASSERT_TRUE(rig.send(words("/kalvor/channel/1/play")));
    EXPECT_TRUE(dump.waitFor("/kalvor/channel/1/started f 0.0"));
    rig.renderMs(1000);
    ASSERT_TRUE(rig.send(words("/kalvor/channel/1/stop")));
    EXPECT_TRUE(dump.waitFor("/kalvor/channel/1/stopped f 1.0")) << dump.heard.toStdString();
    ASSERT_TRUE(rig.send(words("/kalvor/channel/1/play")));
    ASSERT_TRUE(rig.send(words("/kalvor/preset/recall i 2")));
    EXPECT_TRUE(dump.waitFor("/kalvor/preset/recalled is 2 ")) << dump.heard.toStdString();
    // The recall stops every channel; only the one that played is reported.
    EXPECT_EQ(dump.heard.count("/stopped"), 2) << dump.heard.toStdString();

    ASSERT_TRUE(rig.send(words("/kalvor/unsubscribe")));
    EXPECT_TRUE(rig.control->subscribers().isEmpty());
}

// The position a subscriber is told is the sound's own time, as the main window shows it,
// whatever speed the channel plays at.
TEST(OscControl, StopPositionIsTheSoundsTimeAtAnySpeed) {
    struct Case {
        int variSpeed;
        double stopped; // seconds into the sound after one second of output
    } cases[] = {{0, 1.0}, {50, 1.5}, {-50, 0.5}};
    for (const Case& c : cases) {
        OscShow rig;
        ASSERT_TRUE(rig.show->channelOps().SetVariSpeed(0, c.variSpeed));
        Dump dump(rig);
        rig.show->playback().PlayButtonDown(0);
        rig.renderMs(1000);
        rig.show->playback().StopChannel(0);
        const double seconds = dump.lineAfter("/kalvor/channel/1/stopped f ").toDouble();
        EXPECT_NEAR(seconds, c.stopped, 0.01) << c.variSpeed << "%: " << dump.heard.toStdString();
    }
}

// A client that listens on its own socket gets the reason for each message refused.
TEST(OscControl, BadMessageGetsItsReasonBack) {
    OscShow rig;
    QUdpSocket client;
    ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
    struct Case {
        QByteArray address;
        std::vector<qint32> ints;
        QByteArray reason;
    };
    const std::vector<Case> cases = {
        {"/kalvor/channel/40/play", {}, "the channel is a number from 1 to 32"},
        {"/kalvor/preset/recall", {12}, "no preset 12: the show has 5"},
    };
    for (const Case& c : cases) {
        client.writeDatagram(rawMessage(c.address, c.ints), QHostAddress::LocalHost,
                             quint16(rig.control->port()));
        QByteArray reply;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                if (client.hasPendingDatagrams())
                    reply = client.receiveDatagram().data();
                return !reply.isEmpty();
            },
            10000))
            << c.address.toStdString();
        EXPECT_TRUE(reply.startsWith("/kalvor/error")) << c.address.toStdString();
        EXPECT_TRUE(reply.contains(c.reason)) << reply.toStdString();
    }
    EXPECT_FALSE(rig.channel1Heard());
}

TEST(OscControl, PortInUseIsNamedAndNothingListens) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::Any, 0));
    OscShow rig;
    rig.settings->setInteger(u"OscPort", holder.localPort());
    rig.control->applySettings();
    EXPECT_FALSE(rig.control->isListening());
    EXPECT_TRUE(SystemMessages::instance().entries().last().contains(
        QStringLiteral("cannot listen on UDP port %1").arg(holder.localPort())));
    rig.settings->setText(u"OscEnable", QStringLiteral("0"));
    rig.control->applySettings();
    EXPECT_FALSE(rig.control->isListening());
}

// Play pressed while the preset loads, stop pressed right after it has loaded: the
// channel must end up stopped, as the presses came.
TEST(OscSession, PressesDuringARecallKeepTheirOrder) {
    OscShow t;
    bool once = false;
    QObject::connect(&t.show->recall(), &PresetRecall::recallStarted, [&] {
        if (!std::exchange(once, true))
            t.handle("/kalvor/channel/1/play");
    });
    QObject::connect(&t.show->recall(), &PresetRecall::statusText,
                     [&] { t.handle("/kalvor/channel/1/stop"); });
    t.handle("/kalvor/preset/recall", 9, {{'i', 2, {}}});
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.store.presets().current(), 1);
    EXPECT_FALSE(KAE__Channel_IsPlaying(0)) << "the stop came last";
}

// Restarted more often than the subscriber list is long, each time from a new port.
TEST(OscSession, RestartedTabletStillGetsFeedback) {
    OscShow t;
    // Earlier runs of the tablet app, long gone, each from its own port.
    for (int i = 0; i < osc::kMaxSubscribers; ++i)
        t.handle("/kalvor/subscribe", 40000 + i);
    QUdpSocket tablet;
    ASSERT_TRUE(tablet.bind(QHostAddress::LocalHost, 0));
    t.handle("/kalvor/subscribe", tablet.localPort());
    t.handle("/kalvor/channel/1/play");
    QByteArray heard;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            while (tablet.hasPendingDatagrams())
                heard += tablet.receiveDatagram().data() + '\n';
            return heard.contains("/kalvor/channel/1/started");
        },
        5000))
        << heard.toStdString();
    EXPECT_TRUE(heard.startsWith("/kalvor/subscribed")) << heard.toStdString();
    EXPECT_EQ(t.control->subscribers().size(), osc::kMaxSubscribers);
}
