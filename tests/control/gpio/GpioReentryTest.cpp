// GPIO input lines whose press and release are apart in time: a recall lets the 50 ms
// timer run again inside its wait, and the options may give a held line another function.
// Each contact fires once, and its release goes to what its press started.
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

// Port 1 as inputs, line n given function f (logic 1), on the simulated device.
struct InputLines : ShowRig {
    gpio::SimulatedGpio* sim = nullptr;
    std::unique_ptr<GpioInterface> gpio;

    explicit InputLines(std::initializer_list<std::pair<int, int>> functions) {
        for (int ch = 0; ch < 6; ++ch)
            loadChannel(ch, {ramp(QStringLiteral("s%1").arg(ch), 5.0)});
        settings->setText(u"Port1Direction", QStringLiteral("IN"));
        for (const auto& [line, function] : functions)
            assign(line, function);
        gpio = std::make_unique<GpioInterface>(*show, *settings, [this](QString*) {
            auto s = std::make_unique<gpio::SimulatedGpio>();
            sim = s.get();
            return std::unique_ptr<gpio::GpioDevice>(std::move(s));
        });
        gpio->loadSettings();
        EXPECT_TRUE(gpio->activate());
    }
    void assign(int line, int function) {
        settings->setInteger(gpioLineKey("LineFunctionNo. ", line), function);
    }
};

} // namespace

// A controller closes "Recall Preset" and "PLAY Channel 5" together; channel 5's contact is
// tapped (closed, then opened) while the recall waits. Channel 5 starts once.
TEST(GpioReentry, TapDuringRecallWaitStartsChannelOnce) {
    InputLines rig({{1, kRecallPresetFunction}, {2, 5}});
    rig.addPresets(2);
    QSignalSpy started(&rig.show->playback(), &ChannelPlayback::channelStarted);
    rig.sim->setInput(1, 1);
    rig.sim->setInput(2, 1);
    // The timer ticks that fall inside the recall's wait.
    int nested = 0;
    for (const int level : {1, 0}) {
        QMetaObject::invokeMethod(
            qApp,
            [&, level] {
                ++nested;
                rig.sim->setInput(2, level);
                rig.gpio->poll();
            },
            Qt::QueuedConnection);
    }
    rig.gpio->poll();
    ASSERT_EQ(nested, 2) << "the recall did not wait";
    rig.gpio->poll();

    int channel5Starts = 0;
    for (const auto& args : started)
        channel5Starts += args.at(0).toInt() == 4 ? 1 : 0;
    EXPECT_EQ(channel5Starts, 1);
    EXPECT_TRUE(KAE__Channel_IsPlaying(4));
    EXPECT_FALSE(rig.gpio->line(2).armed);
}

// The options are saved while a relay holds channel 5 (hold mode) and the line now names
// channel 6: opening the contact releases the channel it started.
TEST(GpioReentry, ReleaseGoesToTheChannelThePressStarted) {
    InputLines rig({{1, 5}});
    rig.store.controls(4).holdMode = 1;
    rig.sim->setInput(1, 1);
    rig.gpio->poll();
    ASSERT_TRUE(KAE__Channel_IsPlaying(4));

    rig.assign(1, 6);
    rig.gpio->loadSettings();
    rig.sim->setInput(1, 0);
    rig.gpio->poll();
    EXPECT_FALSE(KAE__Channel_IsPlaying(4)) << "channel 5 was never released";
}

// The device goes away (or the interface is switched off) while a contact holds channel 5:
// the release can never be read, so the channel is let go then.
TEST(GpioReentry, HeldChannelIsReleasedWhenTheDeviceGoes) {
    for (const bool pulledOut : {true, false}) {
        SCOPED_TRACE(pulledOut ? "pulled out" : "switched off");
        InputLines rig({{1, 5}});
        rig.store.controls(4).holdMode = 1;
        rig.sim->setInput(1, 1);
        rig.gpio->poll();
        ASSERT_TRUE(KAE__Channel_IsPlaying(4));
        if (pulledOut) {
            rig.sim->pullOut();
            rig.gpio->poll();
        } else {
            rig.gpio->deactivate();
        }
        ASSERT_FALSE(rig.gpio->isActive());
        EXPECT_FALSE(KAE__Channel_IsPlaying(4));
    }
}
