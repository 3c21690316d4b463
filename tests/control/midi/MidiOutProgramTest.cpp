// The program change sent after a recall names the recalled preset or nothing: the wire has
// seven bits, and a preset beyond them must not recall another one on the receiving gear.
#include "MidiRig.h"

#include "control/midi/MidiMessage.h"
#include "core/Settings.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using midi::ShortMessage;

TEST(MidiOut, ProgramChangeNamesTheRecalledPresetOrNothing) {
    struct Case {
        int preset; // 0-based position in the preset list
        int channel;
        std::vector<ShortMessage> sent;
    } cases[] = {
        {0, 1, {{0xC0, 0, 0}}},
        {127, 16, {{0xCF, 127, 0}}},
        {128, 1, {}},
        {200, 2, {}},
    };
    for (const Case& c : cases) {
        MidiRig rig(1);
        rig.settings->setOn(u"SendPRGChange", true);
        rig.settings->setInteger(u"ProgramChangeChannel", c.channel);
        rig.sent.clear();
        rig.out.sendProgramChange(c.preset);
        EXPECT_EQ(rig.sent, c.sent) << "preset index " << c.preset;
    }
}
