// GPIO lines read while a function they started still waits: a recall lets the 50 ms
// timer run again inside its wait, and what that nested tick saw must not be replayed from
// the older read afterwards.
#include "support/ShowRig.h"

#include "control/gpio/GpioInterface.h"
#include "control/gpio/SimulatedGpio.h"
#include "core/SettingKeys.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

constexpr int kRecallPresetFunction = 36;

} // namespace

// A controller closes "Recall Preset" and "PLAY Channel 5" together; channel 5's contact is
// tapped (closed, then opened) while the recall waits. Channel 5 starts once.
TEST(GpioReentry, TapDuringRecallWaitStartsChannelOnce) {
    ShowRig rig;
    for (int ch = 0; ch < 6; ++ch)
        rig.loadChannel(ch, {rig.ramp(QStringLiteral("s%1").arg(ch), 5.0)});
    rig.addPresets(2);
    rig.settings->setText(u"Port1Direction", QStringLiteral("IN"));
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 1), kRecallPresetFunction);
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 2), 5);
    gpio::SimulatedGpio* sim = nullptr;
    GpioInterface gpio(*rig.show, *rig.settings, [&](QString*) {
        auto s = std::make_unique<gpio::SimulatedGpio>();
        sim = s.get();
        return std::unique_ptr<gpio::GpioDevice>(std::move(s));
    });
    gpio.loadSettings();
    ASSERT_TRUE(gpio.activate());

    QSignalSpy started(&rig.show->playback(), &ChannelPlayback::channelStarted);
    sim->setInput(1, 1);
    sim->setInput(2, 1);
    // The timer ticks that fall inside the recall's wait.
    int nested = 0;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            ++nested;
            gpio.poll();
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            ++nested;
            sim->setInput(2, 0);
            gpio.poll();
        },
        Qt::QueuedConnection);
    gpio.poll();
    ASSERT_EQ(nested, 2) << "the recall did not wait";
    gpio.poll();

    int channel5Starts = 0;
    for (const auto& args : started)
        channel5Starts += args.at(0).toInt() == 4 ? 1 : 0;
    EXPECT_EQ(channel5Starts, 1);
    EXPECT_TRUE(KAE__Channel_IsPlaying(4));
    EXPECT_FALSE(gpio.line(2).armed);
}

// The options are saved while a relay holds channel 5 (hold mode) and the line now names
// channel 6: opening the contact releases the channel it started.
TEST(GpioReentry, ReleaseGoesToTheChannelThePressStarted) {
    ShowRig rig;
    for (int ch = 0; ch < 6; ++ch)
        rig.loadChannel(ch, {rig.ramp(QStringLiteral("s%1").arg(ch), 5.0)});
    rig.store.controls(4).holdMode = 1;
    rig.settings->setText(u"Port1Direction", QStringLiteral("IN"));
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 1), 5);
    gpio::SimulatedGpio* sim = nullptr;
    GpioInterface gpio(*rig.show, *rig.settings, [&](QString*) {
        auto s = std::make_unique<gpio::SimulatedGpio>();
        sim = s.get();
        return std::unique_ptr<gpio::GpioDevice>(std::move(s));
    });
    gpio.loadSettings();
    ASSERT_TRUE(gpio.activate());
    sim->setInput(1, 1);
    gpio.poll();
    ASSERT_TRUE(KAE__Channel_IsPlaying(4));

    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 1), 6);
    gpio.loadSettings();
    sim->setInput(1, 0);
    gpio.poll();
    EXPECT_FALSE(KAE__Channel_IsPlaying(4)) << "channel 5 was never released";
}
