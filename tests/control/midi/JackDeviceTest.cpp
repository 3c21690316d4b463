// Devices as a stage has them: unplugged and plugged in again while the program runs.
#include "JackPeer.h"
#include "MidiRig.h"

#include "control/midi/MidiPorts.h"
#include "control/midi/MidiSystem.h"
#include "core/Settings.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

// The interface is pulled out mid-show and plugged in again: its notes fire cues again, and
// the program's notes reach it again, without a visit to the options.
TEST(JackMidiDevice, RepluggedInterfaceIsHeardAndServedAgain) {
    auto peer = std::make_unique<JackPeer>("kalvor_midi_replug");
    if (!peer->ok())
        GTEST_SKIP() << "no JACK server";
    MidiRig rig(1);
    rig.assign(0, 36);
    rig.store.controls(0).holdMode = 1;
    rig.settings->setText(u"MidiInDevice", peer->outDevice());
    rig.settings->setText(u"MidiOutDevice", peer->inDevice());
    rig.settings->setOn(u"UseMIDIIn", true);
    rig.settings->setOn(u"UseMIDIOut", true);
    midi::MidiSystem system(*rig.show, *rig.settings);
    system.openMidi();
    ASSERT_TRUE(system.ports().inputOpen());

    peer.reset();
    const auto said = [](const char* text) {
        return SystemMessages::instance().entries().join(u'\n').contains(QLatin1String(text));
    };
    EXPECT_TRUE(waitFor([&] { return said("MIDI input device gone"); }, 5000));
    EXPECT_TRUE(waitFor([&] { return said("MIDI output device gone"); }, 5000));
    peer = std::make_unique<JackPeer>("kalvor_midi_replug");
    ASSERT_TRUE(peer->ok());
    EXPECT_TRUE(waitFor(
        [&] {
            peer->send({0x90, 36, 100});
            return KAE__Channel_IsPlaying(0);
        },
        5000));
    const Bytes echoed{0x90, 36, 127};
    EXPECT_TRUE(waitFor(
        [&] {
            for (const Bytes& b : peer->received())
                if (b == echoed)
                    return true;
            return false;
        },
        5000));
}
