// What a tablet does over a whole evening: it keeps pressing while a preset loads, and it
// is restarted (coming back from a new port) more often than the subscriber list is long.
// Messages go straight into the control, as the receiving thread hands them on; replies go
// over real UDP to a socket of the test.
#include "support/ShowRig.h"

#include "control/osc/OscControl.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <utility>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct Tablet : ShowRig {
    osc::OscControl control{*show, *settings};

    Tablet() {
        loadChannel(0, {ramp(QStringLiteral("a"), 5.0)});
        addPresets(3);
        control.applySettings(); // the default allow-list: this machine; no server needed
    }
    void send(const char* address, int port = 9) {
        control.handle({address, {}, QStringLiteral("127.0.0.1"), port});
    }
};

} // namespace

// Play pressed while the preset loads, stop pressed right after it has loaded: the
// channel must end up stopped, as the presses came.
TEST(OscSession, PressesDuringARecallKeepTheirOrder) {
    Tablet t;
    bool once = false;
    QObject::connect(&t.show->recall(), &PresetRecall::recallStarted, [&] {
        if (!std::exchange(once, true))
            t.send("/kalvor/channel/1/play");
    });
    QObject::connect(&t.show->recall(), &PresetRecall::statusText,
                     [&] { t.send("/kalvor/channel/1/stop"); });
    t.control.handle({"/kalvor/preset/recall", {{'i', 2, {}}}, QStringLiteral("127.0.0.1"), 9});
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.store.presets().current(), 1);
    EXPECT_FALSE(KAE__Channel_IsPlaying(0)) << "the stop came last";
}

TEST(OscSession, RestartedTabletStillGetsFeedback) {
    Tablet t;
    // Earlier runs of the tablet app, long gone, each from its own port.
    for (int i = 0; i < osc::kMaxSubscribers; ++i)
        t.send("/kalvor/subscribe", 40000 + i);
    QUdpSocket tablet;
    ASSERT_TRUE(tablet.bind(QHostAddress::LocalHost, 0));
    t.send("/kalvor/subscribe", tablet.localPort());
    t.send("/kalvor/channel/1/play");
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
    EXPECT_EQ(t.control.subscribers().size(), osc::kMaxSubscribers);
}
