// The keypad driving a show on the offline engine, with a scripted keypad in place of the
// USB device: what the operator's keys do, the LEDs, the display unit's keys, the keypad
// being pulled out while keys are down and plugged in again, and no keypad there at all.
#include "FakeKeypad.h"
#include "support/ShowRig.h"

#include "control/Kd1Operations.h"
#include "control/xkeys/XkeysControl.h"
#include "core/SystemMessages.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct Kd1Spy final : Kd1Operations {
    bool on = true;
    int shown = 2;
    std::vector<std::tuple<int, bool, bool>> keys;
    std::vector<int> changed;
    QStringList notices;
    bool enabled() const override { return on; }
    void functionKey(int key, bool pressed, bool shift) override {
        keys.emplace_back(key, pressed, shift);
    }
    void channelChanged(int ch) override { changed.push_back(ch); }
    int shownChannel() const override { return shown; }
    void showNotice(const QString& text) override { notices << text; }
};

struct KeypadShow : ShowRig {
    FakeKeypad::State pad;
    Kd1Spy kd1;
    std::unique_ptr<XkeysControl> xkeys;

    explicit KeypadShow(std::uint16_t product = 0x0306) {
        for (int ch = 0; ch < 4; ++ch)
            loadChannel(ch, {ramp(QStringLiteral("s%1").arg(ch), 5.0)});
        addPresets(3);
        // Another product of the vendor on the same usage page comes first and is passed over.
        pad.listed = {{0x0025, 0x0C, "/dev/hidraw0"},
                      {product, 0x01, "/dev/hidraw1"},
                      {product, 0x0C, "/dev/hidraw2"}};
        xkeys = std::make_unique<XkeysControl>(*show, *settings, std::make_unique<FakeKeypad>(pad),
                                               &kd1);
    }
    void feed(std::vector<std::uint8_t> r) {
        pad.queued.push_back(std::move(r));
        xkeys->poll();
    }
};

} // namespace

TEST(XkeysControl, HeldChannelKeyPlaysOnceAndReleasesOnce) {
    KeypadShow rig;
    ASSERT_TRUE(rig.xkeys->open());
    EXPECT_EQ(rig.xkeys->deviceText(), QStringLiteral("X-Keys 128 Device (96 Keys)"));
    ASSERT_FALSE(rig.pad.written.empty()) << "no backlight report after opening";
    rig.store.controls(3).holdMode = 1;
    QSignalSpy started(&rig.show->playback(), &ChannelPlayback::channelStarted);
    QSignalSpy stopped(&rig.show->playback(), &ChannelPlayback::channelStopped);
    for (int i = 0; i < 4; ++i)
        rig.feed(k128Report({3}));
    ASSERT_EQ(started.count(), 1);
    EXPECT_EQ(started.at(0).at(0).toInt(), 3);
    EXPECT_TRUE(KAE__Channel_IsPlaying(3));
    // A report that is not a key report leaves the key held.
    auto other = k128Report({});
    other[3] = 0x00;
    rig.feed(other);
    EXPECT_EQ(stopped.count(), 0);
    rig.feed(k128Report({}));
    rig.feed(k128Report({}));
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_FALSE(KAE__Channel_IsPlaying(3));
    // The channel key told the display unit both times.
    EXPECT_EQ(rig.kd1.changed, (std::vector<int>{3, 3}));
}

TEST(XkeysControl, ShiftedChannelKeySelectsWithoutPlaying) {
    KeypadShow rig;
    ASSERT_TRUE(rig.xkeys->open());
    rig.feed(k128Report({}, {64}));
    rig.feed(k128Report({2}, {64}));
    rig.feed(k128Report({}, {64}));
    EXPECT_EQ(rig.store.selectedChannel(), 2);
    EXPECT_FALSE(KAE__Channel_IsPlaying(2));
}

TEST(XkeysControl, FunctionBlock) {
    struct Case {
        const char* label;
        std::vector<int> held; // function keys pressed one report after another, then let go
        bool locked;
        std::vector<std::tuple<int, bool, bool>> kd1Keys;
        std::uint16_t product = 0x0306;
    };
    // clang-format off
    const Case cases[] = {
        {"preset selection goes to the display unit, press and release", {33}, false,
         {{33, true, false}, {33, false, false}}},
        {"a display key with shift held", {64, 41}, false, {{41, true, true}, {41, false, true}}},
        {"locked: only the safe keys pass", {33, 55}, true, {{55, true, false}, {55, false, false}}},
        {"logging and transport stay with the keypad", {40, 18}, false, {}},
        {"84 keys: key n is key n + 8 of the large list, shift is its key 56", {56, 25}, false,
         {{33, true, true}, {33, false, true}}, 0x0309},
        {"locked: shift is no safe key", {64, 55}, true, {{55, true, false}, {55, false, false}}},
        {"84 keys locked: its shift neither", {56, 47}, true, {{55, true, false}, {55, false, false}},
         0x0309},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        KeypadShow rig(c.product);
        rig.xkeys->setLocked(c.locked);
        ASSERT_TRUE(rig.xkeys->open());
        std::vector<bool> logging;
        rig.xkeys->hooks().setLogging = [&](bool on) {
            logging.push_back(on);
        };
        // Function keys sit in bytes 12..19 (128) or 8..15 (84), one column per byte.
        const std::size_t first = c.product == 0x0306 ? 12 : 8;
        std::vector<std::uint8_t> r = k128Report({});
        for (int f : c.held) {
            r[first + static_cast<std::size_t>((f - 1) % 8)] |=
                static_cast<std::uint8_t>(1u << ((f - 1) / 8));
            rig.feed(r);
        }
        rig.feed(k128Report({}));
        EXPECT_EQ(rig.kd1.keys, c.kd1Keys);
        const bool logs = std::find(c.held.begin(), c.held.end(), 40) != c.held.end();
        EXPECT_EQ(logging, logs ? std::vector<bool>{true} : std::vector<bool>{});
        EXPECT_EQ(rig.kd1.notices,
                  logs ? QStringList{QStringLiteral("Logging = ON")} : QStringList{});
    }
}

TEST(XkeysControl, FunctionKeysToggleMidiAndGpio) {
    KeypadShow rig;
    ASSERT_TRUE(rig.xkeys->open());
    std::vector<int> rows;
    std::vector<std::pair<int, bool>> outputs;
    rig.xkeys->hooks().midiFunctionKey = [&](int row) {
        rows.push_back(row);
    };
    rig.xkeys->hooks().gpioOutput = [&](int f, bool on) {
        outputs.emplace_back(f, on);
    };
    for (int i = 0; i < 2; ++i) {
        rig.feed(k128Report({}, {2}));
        rig.feed(k128Report({}));
    }
    EXPECT_EQ(rows, (std::vector<int>{34, 34}));
    EXPECT_EQ(outputs, (std::vector<std::pair<int, bool>>{{34, true}, {34, false}}));
}

TEST(XkeysControl, StickPresetKeysActOnPressOnly) {
    KeypadShow rig(0x0271);
    ASSERT_TRUE(rig.xkeys->open());
    const int first = rig.store.presets().selected();
    rig.feed({0, 0, 0, 0, 0x08}); // key 15: next preset
    EXPECT_EQ(rig.store.presets().selected(), first + 1);
    rig.feed({0, 0, 0, 0, 0});
    EXPECT_EQ(rig.store.presets().selected(), first + 1);
    rig.feed({0, 0, 0, 0x08, 0}); // key 14: previous preset
    rig.feed({0, 0, 0, 0, 0});
    EXPECT_EQ(rig.store.presets().selected(), first);
}

TEST(XkeysControl, StickLedsFollowPlayingChannels) {
    KeypadShow rig(0x0271);
    rig.settings->setText(u"XKeysStickLeds", QStringLiteral("OFF"));
    ASSERT_TRUE(rig.xkeys->open());
    rig.pad.written.clear();
    rig.show->playback().PlayButtonDown(1);
    ASSERT_FALSE(rig.pad.written.empty());
    EXPECT_EQ(rig.pad.written.back(), (xkeys::Report{0, 0, 0, 0, 0, 0x02, 0xC0, 0, 0x60}));
    rig.show->playback().StopChannel(1);
    EXPECT_EQ(rig.pad.written.back(), (xkeys::Report{0, 0, 0, 0, 0, 0x00, 0xC0, 0, 0x60}));
}

TEST(XkeysControl, UnplugShowsTheMessageOnceAndStopsReading) {
    KeypadShow rig;
    ASSERT_TRUE(rig.xkeys->open());
    int disconnected = 0;
    rig.xkeys->hooks().disconnected = [&] {
        ++disconnected;
    };
    rig.xkeys->readerTimer().start();
    rig.pad.gone = true;
    rig.xkeys->poll();
    rig.xkeys->poll();
    const int readsAfter = rig.pad.reads;
    rig.xkeys->poll();
    EXPECT_EQ(rig.pad.reads, readsAfter);
    EXPECT_FALSE(rig.xkeys->isOpen());
    EXPECT_FALSE(rig.xkeys->readerTimer().isActive());
    EXPECT_EQ(disconnected, 1);
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages().at(0).text, u"The X-Keys device has been disconnected!");
}

TEST(XkeysControl, BadReportsAndFailedOpensAreReported) {
    KeypadShow rig;
    rig.pad.openError = QStringLiteral("/dev/hidraw2: permission denied");
    EXPECT_FALSE(rig.xkeys->open());
    EXPECT_TRUE(SystemMessages::instance().entries().last().contains(
        QStringLiteral("X-Keys: /dev/hidraw2: permission denied")));
    rig.pad.openError.clear();
    ASSERT_TRUE(rig.xkeys->open());
    const qsizetype before = SystemMessages::instance().entries().size();
    rig.feed(std::vector<std::uint8_t>(5, 0xFF));
    rig.feed(std::vector<std::uint8_t>(3, 0xFF));
    rig.feed({});
    EXPECT_EQ(SystemMessages::instance().entries().size(), before + 1)
        << "one line for short reports";
    EXPECT_EQ(rig.xkeys->keys(), xkeys::KeyState{});
    rig.xkeys->switchOffLeds();
    EXPECT_EQ(rig.pad.written.back(), (xkeys::Report{0, 0x89, 0x89, 0, 0, 0, 0, 0, 0x12}));
}

TEST(XkeysControl, ProfessionalControlKeysActOnTheSelectedChannel) {
    KeypadShow rig(0x0291);
    ASSERT_TRUE(rig.xkeys->open());
    // Control key k: byte k bit 0 for 1..9, byte k - 9 bit 1 for 10..18.
    const auto press = [&rig](int k) {
        std::vector<std::uint8_t> r(10, 0);
        r[static_cast<std::size_t>(k <= 9 ? k : k - 9)] = k <= 9 ? 0x01 : 0x02;
        rig.feed(r);
        rig.feed(std::vector<std::uint8_t>(10, 0));
    };
    rig.store.selectChannel(0);
    press(11);
    EXPECT_EQ(rig.store.selectedChannel(), 1) << "next channel";
    press(4);
    EXPECT_EQ(rig.store.controls(1).loopMode, 1) << "loop of the selected channel";
    rig.show->playback().PlayButtonDown(1);
    press(9);
    EXPECT_FALSE(KAE__Channel_IsPlaying(1)) << "stop of the selected channel";
    const int preset = rig.store.presets().selected();
    press(10);
    EXPECT_EQ(rig.store.presets().selected(), preset + 1) << "next preset";
    press(2);
    EXPECT_EQ(rig.store.selectedChannel(), 0) << "previous channel";
}

TEST(XkeysReconnect, KeysHeldWhenThePadIsPulledOutAreLetGo) {
    for (const bool shift : {false, true}) {
        SCOPED_TRACE(shift ? "a held channel key and the shift: the new keypad's shift is up"
                           : "a held channel key");
        KeypadShow rig;
        rig.store.controls(3).holdMode = 1;
        ASSERT_TRUE(rig.xkeys->open());
        rig.feed(k128Report({3}));
        if (shift)
            rig.feed(k128Report({3}, {64}));
        ASSERT_TRUE(KAE__Channel_IsPlaying(3));
        rig.pad.gone = true;
        rig.xkeys->poll();
        ASSERT_FALSE(rig.xkeys->isOpen());
        EXPECT_FALSE(KAE__Channel_IsPlaying(3)) << "its release can never come";
        EXPECT_FALSE(rig.xkeys->shift());
        // Plugged in again: every key of the new keypad is up, so the next press is a press.
        rig.pad.gone = false;
        ASSERT_TRUE(rig.xkeys->open());
        rig.feed(k128Report({3}));
        EXPECT_TRUE(KAE__Channel_IsPlaying(3));
        rig.feed(k128Report({}));
        EXPECT_FALSE(KAE__Channel_IsPlaying(3));
    }
}

TEST(XkeysReconnect, OpeningWithoutAKeypadSaysSo) {
    KeypadShow rig;
    rig.pad.listed.pop_back(); // the other product and the wrong usage page are left
    EXPECT_FALSE(rig.xkeys->open());
    EXPECT_TRUE(SystemMessages::instance().entries().last().contains(
        QStringLiteral("X-Keys: no keypad found")))
        << SystemMessages::instance().entries().last().toStdString();
}

TEST(XkeysReconnect, StickLedsAtOpeningAreOnlyThoseKeptInStep) {
    struct Case {
        const char* label;
        const char* alwaysOn;
        const char* playLeds;
        std::uint8_t low; // the opening mask while channel 2 plays
    };
    const Case cases[] = {
        {"always on", "ON", "OFF", 0xFF},
        {"play indicators", "OFF", "ON", 0x04},
        {"neither: a lit LED would never go out", "OFF", "OFF", 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        KeypadShow rig(0x0271);
        rig.settings->setText(u"XKeysStickLeds", QString::fromLatin1(c.alwaysOn));
        rig.settings->setText(u"XKeysStickPlayLeds", QString::fromLatin1(c.playLeds));
        rig.show->playback().PlayButtonDown(2);
        ASSERT_TRUE(KAE__Channel_IsPlaying(2));
        ASSERT_TRUE(rig.xkeys->open());
        ASSERT_FALSE(rig.pad.written.empty());
        EXPECT_EQ(rig.pad.written.front().at(5), c.low);
    }
}
