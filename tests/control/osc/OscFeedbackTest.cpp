// What a subscribed tablet is told about a channel: the position is the sound's own time,
// as the main window shows it, whatever speed the channel plays at.
#include "support/ShowRig.h"

#include "control/osc/OscControl.h"
#include "show/playback/ShowLayer.h"

#include <QProcess>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

int freePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

} // namespace

TEST(OscFeedback, StopPositionIsTheSoundsTimeAtAnySpeed) {
    struct Case {
        int variSpeed;
        double stopped; // seconds into the sound after one second of output
    } cases[] = {{0, 1.0}, {50, 1.5}, {-50, 0.5}};
    for (const Case& c : cases) {
        ShowRig rig;
        rig.loadChannel(0, {rig.ramp(QStringLiteral("a"), 5.0)});
        rig.settings->setText(u"OscEnable", QStringLiteral("1"));
        rig.settings->setText(u"OscAllow", QString::fromLatin1(osc::kDefaultAllowList));
        rig.settings->setInteger(u"OscPort", freePort());
        osc::OscControl control(*rig.show, *rig.settings);
        control.applySettings();
        ASSERT_TRUE(rig.show->channelOps().SetVariSpeed(0, c.variSpeed));

        const int dumpPort = freePort();
        QProcess dump;
        dump.start(QStringLiteral("oscdump"), {QStringLiteral("-L"), QString::number(dumpPort)});
        ASSERT_TRUE(dump.waitForStarted());
        QByteArray heard;
        const auto hears = [&](const QByteArray& text) {
            return QTest::qWaitFor(
                [&] {
                    heard += dump.readAllStandardOutput();
                    return heard.contains(text);
                },
                10000);
        };
        // oscdump may not listen yet when the first subscribe arrives: ask until it answers.
        const QStringList subscribe{QStringLiteral("127.0.0.1"), QString::number(control.port()),
                                    QStringLiteral("/kalvor/subscribe"), QStringLiteral("i"),
                                    QString::number(dumpPort)};
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                QProcess::execute(QStringLiteral("oscsend"), subscribe);
                QCoreApplication::processEvents();
                heard += dump.readAllStandardOutput();
                return heard.contains("/kalvor/subscribed");
            },
            10000));

        rig.show->playback().PlayButtonDown(0);
        rig.renderMs(1000);
        rig.show->playback().StopChannel(0);
        const QByteArray stopped = "/kalvor/channel/1/stopped f ";
        ASSERT_TRUE(hears(stopped)) << heard.toStdString();
        const qsizetype at = heard.indexOf(stopped) + stopped.size();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                heard += dump.readAllStandardOutput();
                return heard.indexOf('\n', at) >= 0;
            },
            10000));
        const double seconds = heard.mid(at, heard.indexOf('\n', at) - at).trimmed().toDouble();
        EXPECT_NEAR(seconds, c.stopped, 0.01) << c.variSpeed << "%: " << heard.toStdString();
        dump.kill();
        dump.waitForFinished();
    }
}
