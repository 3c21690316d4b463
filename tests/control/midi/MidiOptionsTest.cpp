// The MIDI Setup page's device lists as the options window drives them: "<none>" chosen
// (an empty device) leaves the device closed, whatever the stored settings name.
#include "JackPeer.h"
#include "MidiRig.h"

#include "app/MidiWiring.h"
#include "core/Settings.h"
#include "tools/OptionDevices.h"
#include "tools/ui/OptionsDialog.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(MidiOptions, NoneChosenOpensNothing) {
    JackPeer peer("kalvor_midi_options");
    if (!peer.ok())
        GTEST_SKIP() << "no JACK server";
    MidiRig rig(1);
    rig.settings->setText(u"MidiInDevice", peer.outDevice());
    rig.settings->setText(u"MidiOutDevice", peer.inDevice());
    MidiWiring wiring(*rig.show, *rig.settings);
    OptionDevices devices;
    OptionsHooks hooks;
    wiring.wireOptions(devices, hooks);
    midi::MidiPorts& ports = wiring.system().ports();

    // The device in the list: it opens; switched to "<none>": closed, and it stays closed.
    EXPECT_TRUE(hooks.midiInput(true, peer.outDevice()));
    EXPECT_TRUE(hooks.midiOutput(true, peer.inDevice()));
    EXPECT_FALSE(hooks.midiInput(false, QString()));
    EXPECT_FALSE(hooks.midiOutput(false, QString()));
    EXPECT_FALSE(hooks.midiInput(true, QString()));
    EXPECT_FALSE(hooks.midiOutput(true, QString()));
    EXPECT_FALSE(ports.inputOpen());
    EXPECT_FALSE(ports.outputOpen());
}
