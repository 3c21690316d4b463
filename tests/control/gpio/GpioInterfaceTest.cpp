// The GPIO lines on the simulated device with a show on the offline engine; the test is
// the 50 ms clock, one poll per tick. Also contacts whose press and release lie apart in
// time: a recall lets the timer run again inside its wait, and the options or a playlist
// may give a held line another function or direction meanwhile.
#include "support/ShowRig.h"

#include "control/gpio/GpioInterface.h"
#include "control/gpio/GpioLines.h"
#include "control/gpio/SimulatedGpio.h"
#include "core/SettingKeys.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using gpio::SimulatedGpio;
using playlist::GpioDirection;

namespace {

constexpr int kRecallPresetFunction = 36;

struct GpioShow : ShowRig {
    SimulatedGpio* sim = nullptr; // owned by the interface once activated
    bool noDevice = false;
    int opened = 0;
    std::unique_ptr<GpioInterface> gpio;

    GpioShow() {
        for (int ch = 0; ch < 6; ++ch)
            loadChannel(ch, {ramp(QStringLiteral("s%1").arg(ch), 5.0)});
        settings->setText(u"PIOActivate", QStringLiteral("ON"));
        settings->setText(u"Port1Direction", QStringLiteral("IN"));
        settings->setText(u"Port2Direction", QStringLiteral("OUT"));
        gpio = std::make_unique<GpioInterface>(*show, *settings, [this](QString* why) {
            std::unique_ptr<gpio::GpioDevice> d;
            if (noDevice) {
                *why = QStringLiteral("no chip here");
                return d;
            }
            auto s = std::make_unique<SimulatedGpio>();
            sim = s.get();
            ++opened;
            d = std::move(s);
            return d;
        });
    }
    // Line n: function, duration, interval (logic 1).
    void assign(int line, int function, int duration = 0, int interval = 0) {
        settings->setInteger(gpioLineKey("LineFunctionNo. ", line), function);
        settings->setInteger(gpioLineKey("GPODuration ", line), duration);
        settings->setInteger(gpioLineKey("GPOInterval ", line), interval);
    }
    bool start() {
        gpio->loadSettings();
        return gpio->activate();
    }
    // Line 1 given PLAY channel 5 in hold mode, closed: the channel plays.
    bool holdChannel5() {
        assign(1, 5);
        store.controls(4).holdMode = 1;
        if (!start())
            return false;
        sim->setInput(1, 1);
        gpio->poll();
        return KAE__Channel_IsPlaying(4);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            gpio->poll();
    }
};

} // namespace

TEST(Gpio, FootSwitchStartsOnceAndReleasesOnce) {
    GpioShow rig;
    QSignalSpy started(&rig.show->playback(), &ChannelPlayback::channelStarted);
    QSignalSpy stopped(&rig.show->playback(), &ChannelPlayback::channelStopped);
    ASSERT_TRUE(rig.holdChannel5());
    rig.ticks(4);
    ASSERT_EQ(started.count(), 1);
    EXPECT_EQ(started.at(0).at(0).toInt(), 4);
    EXPECT_TRUE(rig.gpio->line(1).armed);
    rig.sim->setInput(1, 0);
    rig.ticks(5);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_FALSE(KAE__Channel_IsPlaying(4));
}

TEST(Gpio, OutputPulsesAndBlinks) {
    struct Case {
        const char* label;
        int duration, interval;
        // The line's level after each 50 ms tick while the channel plays, then after the stop.
        std::vector<int> whilePlaying;
        int afterStop;
    };
    const Case cases[] = {
        {"a 250 ms pulse opens again while the channel plays on", 250, 0, {1, 1, 1, 1, 0, 0, 0}, 0},
        {"held, blinking every 500 ms",
         0,
         500,
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1},
         0},
        {"held until the channel stops", 0, 0, {1, 1, 1, 1, 1, 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        GpioShow rig;
        rig.assign(9, 3, c.duration, c.interval);
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.sim->output(9), 0);
        rig.show->playback().PlayButtonDown(2);
        ASSERT_EQ(rig.sim->output(9), 1) << "the line closes when the channel starts";
        std::vector<int> levels;
        for (std::size_t i = 0; i < c.whilePlaying.size(); ++i) {
            rig.ticks(1);
            levels.push_back(rig.sim->output(9));
        }
        EXPECT_EQ(levels, c.whilePlaying);
        EXPECT_TRUE(KAE__Channel_IsPlaying(2));
        rig.show->playback().StopChannel(2);
        rig.ticks(12);
        EXPECT_EQ(rig.sim->output(9), c.afterStop);
    }
}

// The keypad's F2 (function 34) switches every line given to it on, then off.
TEST(Gpio, KeypadFunctionSwitchesItsOutputsOnThenOff) {
    GpioShow rig;
    rig.assign(10, 34);
    rig.assign(11, 34);
    ASSERT_TRUE(rig.start());
    std::vector<std::pair<int, int>> seen;
    for (const bool on : {true, false}) {
        rig.gpio->setOutput(34, on);
        seen.emplace_back(rig.sim->output(10), rig.sim->output(11));
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {0, 0}}));
}

TEST(Gpio, MissingOrVanishingDeviceGivesItsMessages) {
    {
        GpioShow rig;
        rig.noDevice = true;
        EXPECT_FALSE(rig.start());
        ASSERT_EQ(rig.dialogs.messages().size(), 1);
        EXPECT_EQ(rig.dialogs.messages().at(0).text, u"No USB GPI/O device detected!");
    }
    GpioShow rig;
    rig.assign(1, 5);
    ASSERT_TRUE(rig.start());
    rig.gpio->timer().start();
    rig.sim->pullOut();
    rig.ticks(3);
    EXPECT_FALSE(rig.gpio->isActive());
    EXPECT_FALSE(rig.gpio->timer().isActive());
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages().at(0).text, QStringLiteral("USB-PIO has been removed!"));
    // Channels go on changing without a device to tell.
    rig.show->playback().PlayButtonDown(0);
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
}

// A box pulled out mid-show and plugged in again is taken up by itself, as the operator
// left it switched on: its lines set as before, its contacts heard, the operator told.
TEST(Gpio, ABoxPluggedInAgainIsTakenUpAgain) {
    GpioShow rig;
    rig.assign(1, 5);
    ASSERT_TRUE(rig.start());
    rig.sim->pullOut();
    rig.ticks(1);
    ASSERT_FALSE(rig.gpio->isActive());
    EXPECT_TRUE(rig.gpio->retryTimer().isActive());
    rig.noDevice = true;
    rig.gpio->retryDevice(); // still out: no box for each look
    EXPECT_FALSE(rig.gpio->isActive());
    EXPECT_EQ(rig.dialogs.messages().size(), 1);

    rig.noDevice = false;
    rig.gpio->retryDevice();
    ASSERT_TRUE(rig.gpio->isActive());
    EXPECT_EQ(rig.opened, 2);
    EXPECT_EQ(rig.dialogs.messages().last().text, QStringLiteral("USB-PIO has been connected!"));
    EXPECT_FALSE(rig.gpio->retryTimer().isActive());
    EXPECT_TRUE(rig.gpio->timer().isActive());
    EXPECT_EQ(rig.sim->directions()[0], GpioDirection::In);
    rig.sim->setInput(1, 1);
    rig.gpio->poll();
    EXPECT_TRUE(KAE__Channel_IsPlaying(4));

    // Switched off while the box is out: nobody looks for it any more.
    rig.sim->pullOut();
    rig.ticks(1);
    rig.gpio->deactivate();
    EXPECT_FALSE(rig.gpio->retryTimer().isActive());
}

// A chip or line offsets saved in the options take effect at once, not at the next start;
// other changes keep the device open.
TEST(Gpio, SavedChipOrLinesReopenTheDevice) {
    struct Case {
        const char* key;
        const char* value;
        bool reopened;
    };
    const Case cases[] = {
        {"GpioChip", "gpiochip3", true},
        {"GpioLines", "8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31",
         true},
        {"Port1Direction", "OFF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        GpioShow rig;
        ASSERT_TRUE(rig.start());
        rig.settings->setText(QString::fromLatin1(c.key), QString::fromLatin1(c.value));
        rig.gpio->loadSettings();
        EXPECT_EQ(rig.opened, c.reopened ? 2 : 1);
        EXPECT_TRUE(rig.gpio->isActive());
    }
}

// Saving the options while channel 3 plays: its line stays on unless its own assignment
// changed, and it still follows the channel afterwards.
TEST(Gpio, SavedOptionsKeepUnchangedOutputs) {
    struct Case {
        const char* label;
        int line, function;
        int whilePlaying;
    };
    const Case cases[] = {
        {"another line given a function", 10, 4, 1},
        {"the line given another channel", 9, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        GpioShow rig;
        rig.assign(9, 3);
        ASSERT_TRUE(rig.start());
        rig.show->playback().PlayButtonDown(2);
        ASSERT_EQ(rig.sim->output(9), 1);
        rig.assign(c.line, c.function);
        rig.gpio->loadSettings();
        rig.ticks(2);
        EXPECT_EQ(rig.sim->output(9), c.whilePlaying);
        rig.show->playback().StopChannel(2);
        EXPECT_EQ(rig.sim->output(9), 0);
    }
}

TEST(Gpio, PlaylistBlockTakesPortThreeAsOnePort) {
    GpioShow rig;
    ASSERT_TRUE(rig.start());
    playlist::GpioBlock b = playlist::defaultGpioBlock();
    b.directions = {gpio::GpioDirection::Off, gpio::GpioDirection::Off, gpio::GpioDirection::Out,
                    gpio::GpioDirection::In};
    b.lines[20].function = 1; // line 21
    b.lines[20].logic = 0;
    rig.gpio->applyBlock(b);
    EXPECT_EQ(rig.sim->directions()[3], gpio::GpioDirection::Out);
    // Switched off at logic 0 means driven high.
    EXPECT_EQ(rig.sim->output(21), 1);
    rig.show->playback().PlayButtonDown(0);
    EXPECT_EQ(rig.sim->output(21), 0);
    EXPECT_EQ(rig.settings->integer(gpioLineKey("LineFunctionNo. ", 21)), 1);
}

TEST(GpioLines, SettingText) {
    struct Case {
        const char* text;
        bool ok;
        unsigned first, last;
    };
    const Case cases[] = {
        {"", true, 0, 23},
        {"8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30, 31", true, 8, 31},
        {"1,2,3", false, 0, 0},
        {"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,x", false, 0, 0},
        {"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,22", false, 0, 0},
        {"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,-1", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto r = gpio::parseGpioLines(QString::fromLatin1(c.text));
        EXPECT_EQ(r.ok(), c.ok) << r.error.toStdString();
        EXPECT_TRUE(!c.ok || (r.offsets.front() == c.first && r.offsets.back() == c.last));
    }
}

// A controller closes "Recall Preset" and "PLAY Channel 5" together; channel 5's contact is
// tapped (closed, then opened) while the recall waits. Channel 5 starts once.
TEST(GpioReentry, TapDuringRecallWaitStartsChannelOnce) {
    GpioShow rig;
    rig.assign(1, kRecallPresetFunction);
    rig.assign(2, 5);
    ASSERT_TRUE(rig.start());
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
    GpioShow rig;
    ASSERT_TRUE(rig.holdChannel5());
    rig.assign(1, 6);
    rig.gpio->loadSettings();
    rig.sim->setInput(1, 0);
    rig.gpio->poll();
    EXPECT_FALSE(KAE__Channel_IsPlaying(4)) << "channel 5 was never released";
}

// A held contact whose release can no longer be read lets its channel go then: the device
// pulled out or switched off, or its port no input any more (the options saved, or a
// playlist bringing its own assignment).
TEST(GpioReentry, HeldChannelIsReleasedWhenItsContactCanNoLongerBeRead) {
    enum class Then { PulledOut, SwitchedOff, Options, Playlist };
    struct Case {
        const char* label;
        Then then;
        GpioDirection port1;
        bool stillPlays;
    };
    const Case cases[] = {
        {"device pulled out", Then::PulledOut, GpioDirection::In, false},
        {"interface switched off", Then::SwitchedOff, GpioDirection::In, false},
        {"options: port 1 switched off", Then::Options, GpioDirection::Off, false},
        {"options: port 1 made outputs", Then::Options, GpioDirection::Out, false},
        {"playlist: port 1 switched off", Then::Playlist, GpioDirection::Off, false},
        {"options: port 1 stays an input, the contact is still held", Then::Options,
         GpioDirection::In, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        GpioShow rig;
        ASSERT_TRUE(rig.holdChannel5());
        playlist::GpioBlock block = rig.gpio->assignment();
        block.directions[0] = c.port1;
        switch (c.then) {
        case Then::PulledOut:
            rig.sim->pullOut();
            break;
        case Then::SwitchedOff:
            rig.gpio->deactivate();
            break;
        case Then::Options:
            rig.settings->setText(u"Port1Direction", playlist::gpioDirectionText(c.port1));
            rig.gpio->loadSettings();
            break;
        case Then::Playlist:
            rig.gpio->applyBlock(block);
            break;
        }
        rig.ticks(1);
        EXPECT_EQ(KAE__Channel_IsPlaying(4), c.stillPlays);
        EXPECT_EQ(rig.gpio->isActive(), c.then != Then::PulledOut && c.then != Then::SwitchedOff);
    }
}
