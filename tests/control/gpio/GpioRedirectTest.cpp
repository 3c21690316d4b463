// A contact held while the port it sits on stops being an input (the options saved, or a
// playlist bringing its own assignment): its release can no longer be read.
#include "support/ShowRig.h"

#include "control/gpio/GpioInterface.h"
#include "control/gpio/SimulatedGpio.h"
#include "core/SettingKeys.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using playlist::GpioDirection;

TEST(GpioRedirect, HeldContactIsReleasedWhenItsLineStopsBeingAnInput) {
    struct Case {
        const char* label;
        bool byPlaylist; // else by the options
        GpioDirection port1;
        bool stillPlays;
    };
    const Case cases[] = {
        {"options: port 1 switched off", false, GpioDirection::Off, false},
        {"options: port 1 made outputs", false, GpioDirection::Out, false},
        {"playlist: port 1 switched off", true, GpioDirection::Off, false},
        {"options: port 1 stays an input, the contact is still held", false, GpioDirection::In,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ShowRig rig;
        for (int ch = 0; ch < 6; ++ch)
            rig.loadChannel(ch, {rig.ramp(QStringLiteral("s%1").arg(ch), 5.0)});
        rig.settings->setText(u"Port1Direction", QStringLiteral("IN"));
        rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 1), 5);
        gpio::SimulatedGpio* sim = nullptr;
        GpioInterface lines(*rig.show, *rig.settings, [&sim](QString*) {
            auto s = std::make_unique<gpio::SimulatedGpio>();
            sim = s.get();
            return std::unique_ptr<gpio::GpioDevice>(std::move(s));
        });
        lines.loadSettings();
        ASSERT_TRUE(lines.activate());
        rig.store.controls(4).holdMode = 1;
        sim->setInput(1, 1);
        lines.poll();
        ASSERT_TRUE(KAE__Channel_IsPlaying(4));

        playlist::GpioBlock block = lines.assignment();
        block.directions[0] = c.port1;
        if (c.byPlaylist) {
            lines.applyBlock(block);
        } else {
            rig.settings->setText(u"Port1Direction", playlist::gpioDirectionText(c.port1));
            lines.loadSettings();
        }
        lines.poll();
        EXPECT_EQ(KAE__Channel_IsPlaying(4), c.stillPlays);
    }
}
