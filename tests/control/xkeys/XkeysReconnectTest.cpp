// A keypad pulled out while keys are down and plugged in again, and a keypad asked for
// when none is there.
#include "FakeKeypad.h"
#include "support/ShowRig.h"

#include "control/xkeys/XkeysControl.h"
#include "core/SystemMessages.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct PadShow : ShowRig {
    FakeKeypad::State pad;
    std::unique_ptr<XkeysControl> xkeys;
    PadShow() {
        for (int ch = 0; ch < 4; ++ch)
            loadChannel(ch, {ramp(QStringLiteral("s%1").arg(ch), 5.0)});
        pad.listed = {{0x0306, 0x0C, "/dev/hidraw2"}};
        xkeys = std::make_unique<XkeysControl>(*show, *settings, std::make_unique<FakeKeypad>(pad),
                                               nullptr);
    }
    void feed(std::vector<std::uint8_t> r) {
        pad.queued.push_back(std::move(r));
        xkeys->poll();
    }
};

} // namespace

TEST(XkeysReconnect, KeysHeldWhenThePadIsPulledOutAreLetGo) {
    struct Case {
        const char* label;
        bool shift; // held too when the keypad goes
    };
    const Case cases[] = {
        {"a held channel key", false},
        {"a held channel key and the shift: the new keypad's shift is up", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        PadShow rig;
        rig.store.controls(3).holdMode = 1;
        ASSERT_TRUE(rig.xkeys->open());
        rig.feed(k128Report({3}));
        if (c.shift)
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
    PadShow rig;
    rig.pad.listed = {{0x0025, 0x0C, "/dev/hidraw0"}, {0x0306, 0x01, "/dev/hidraw1"}};
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
        PadShow rig;
        rig.pad.listed = {{0x0271, 0x0C, "/dev/hidraw3"}};
        rig.settings->setText(u"XKeysStickLeds", QString::fromLatin1(c.alwaysOn));
        rig.settings->setText(u"XKeysStickPlayLeds", QString::fromLatin1(c.playLeds));
        rig.show->playback().PlayButtonDown(2);
        ASSERT_TRUE(KAE__Channel_IsPlaying(2));
        ASSERT_TRUE(rig.xkeys->open());
        ASSERT_FALSE(rig.pad.written.empty());
        EXPECT_EQ(rig.pad.written.front().at(5), c.low);
    }
}
