// The real ports on the JACK test server: a client of the test's own plays sequencer,
// sends notes, program changes, time code and junk to the program's MIDI input, and
// listens to its MIDI output; the interface unplugged and plugged in again, the options'
// "<none>". Also the whole program, started offscreen with MIDI on JACK.
#include "JackPeer.h"
#include "MidiRig.h"
#include "support/PrivateJack.h"
#include "support/ProgramRun.h"

#include "app/MidiWiring.h"

#include "control/midi/FileDialogGuard.h"
#include "control/midi/MidiPorts.h"
#include "control/midi/MidiSystem.h"
#include "core/Settings.h"
#include "core/SystemMessages.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "show/playlist/PlaylistDocument.h"
#include "show/soundlists/SoundListTexts.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"
#include "tools/OptionDevices.h"
#include "tools/ui/OptionsDialog.h"

#include <gtest/gtest.h>

#include <QThread>

using namespace Qt::StringLiterals;

using namespace kalvor;
using namespace kalvor::test;

namespace {

bool jackRuns() {
    JackPeer probe("kalvor_midi_probe");
    return probe.ok();
}

bool sawMessage(JackPeer& peer, const Bytes& m) {
    for (const Bytes& r : peer.received())
        if (r == m)
            return true;
    return false;
}

// The program's input listens to the peer's "out", its output sends to the peer's "in".
void useDevices(MidiRig& rig, const JackPeer& peer) {
    rig.settings->setText(u"MidiInDevice", peer.outDevice());
    rig.settings->setText(u"MidiOutDevice", peer.inDevice());
    rig.settings->setOn(u"UseMIDIIn", true);
    rig.settings->setOn(u"UseMIDIOut", true);
}

bool said(const char* text) {
    return SystemMessages::instance().entries().join(u'\n').contains(QLatin1String(text));
}

// Channel 1 held on note 36, both directions on the peer, MIDI open.
struct HeldNoteOnPeer {
    MidiRig rig{1};
    std::unique_ptr<midi::MidiSystem> system;
    explicit HeldNoteOnPeer(const JackPeer& peer) {
        rig.assign(0, 36);
        rig.store.controls(0).holdMode = 1;
        useDevices(rig, peer);
        system = std::make_unique<midi::MidiSystem>(*rig.show, *rig.settings);
        system->openMidi();
    }
};

} // namespace

TEST(JackMidi, ListsBothDirectionsWithTheirApi) {
    if (!jackRuns())
        GTEST_SKIP() << "no JACK server";
    JackPeer peer("kalvor_midi_list");
    ASSERT_TRUE(peer.ok());
    const QStringList inputs = midi::midiInputNames();
    const QStringList outputs = midi::midiOutputNames();
    EXPECT_TRUE(inputs.contains(peer.outDevice())) << inputs.join(u'|').toStdString();
    EXPECT_TRUE(outputs.contains(peer.inDevice())) << outputs.join(u'|').toStdString();
    EXPECT_TRUE(inputs.contains(midi::ownJackPortEntry(true)));
    EXPECT_EQ(inputs, midi::midiInputNames()) << "a stable order";
}

TEST(JackMidi, ASequencerRunsTheShow) {
    if (!jackRuns())
        GTEST_SKIP() << "no JACK server";
    JackPeer peer("kalvor_midi_seq");
    ASSERT_TRUE(peer.ok());
    MidiRig rig(2, 1, 4.0);
    // Presets carry the assignment and the cues, so they are set before the presets.
    rig.assign(0, 36);
    rig.assign(1, 38);
    rig.store.controls(0).holdMode = 1;
    rig.store.assignments(1).mtcStart = 250;
    rig.addPresets(3);
    useDevices(rig, peer);
    rig.settings->setOn(u"UseMTC", true);
    rig.settings->setOn(u"ReceivePRGChange", true);
    rig.settings->setOn(u"SendPRGChange", true);
    midi::MidiSystem system(*rig.show, *rig.settings);
    system.openMidi();
    ASSERT_TRUE(system.ports().inputOpen());
    ASSERT_TRUE(system.ports().outputOpen());

    std::vector<Bytes> timeCode;
    for (int cycle = 0; cycle < 2; ++cycle) {
        const std::uint8_t qf[] = {0x00, 0x10, 0x2A, 0x30, 0x40, 0x50, 0x60, 0x72};
        for (std::uint8_t d : qf)
            timeCode.push_back({0xF1, d});
    }
    timeCode.push_back({0xF1, 0x00});
    struct Step {
        const char* label;
        std::vector<Bytes> send;
        std::function<bool()> done;
        Bytes echoed; // expected on the test client's input, empty: none
    };
    // clang-format off
    const Step steps[] = {
        {"a note plays channel 1 and its note goes out", {{0x90, 36, 100}},
         [] { return KAE__Channel_IsPlaying(0); }, {0x90, 36, 127}},
        {"SysEx in between is ignored, the note off releases", {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0x80, 36, 0}},
         [] { return !KAE__Channel_IsPlaying(0); }, {0x80, 36, 0}},
        {"a program change recalls and is sent back", {{0xC0, 2}},
         [&] { return rig.store.presets().current() == 2; }, {0xC0, 2}},
        {"time code starts the cued channel", timeCode, [] { return KAE__Channel_IsPlaying(1); }, {0x90, 38, 127}},
    };
    // clang-format on
    for (const Step& s : steps) {
        for (const Bytes& b : s.send)
            peer.send(b);
        EXPECT_TRUE(waitFor(s.done, 5000)) << s.label;
        if (!s.echoed.empty()) {
            EXPECT_TRUE(waitFor([&] { return sawMessage(peer, s.echoed); }, 5000)) << s.label;
        }
    }
    EXPECT_EQ(system.mtc().clock().fps(), 25);

    // The sequencer is unplugged: the program goes on and closes cleanly.
    peer.close();
    waitFor([] { return false; }, 200);
    rig.in.handle({0x90, 38, 100});
    system.closeMidi();
    EXPECT_FALSE(system.ports().inputOpen());
}

TEST(JackMidi, TheSoundFileDialogClosesTheInputWhileItIsUp) {
    if (!jackRuns())
        GTEST_SKIP() << "no JACK server";
    JackPeer peer("kalvor_midi_dialog");
    MidiRig rig(1);
    rig.settings->setText(u"MidiInDevice", peer.outDevice());
    midi::MidiSystem system(*rig.show, *rig.settings);
    ASSERT_TRUE(system.openInput());
    std::vector<bool> seen; // the input, as each box comes up
    rig.dialogs.onBox = [&](const RecordedBox&) {
        seen.push_back(system.ports().inputOpen());
    };
    midi::FileDialogGuard guard(rig.dialogs, system);
    // Only the sound file dialog: a playlist or log saved during a show must not halt the
    // time code that is running it.
    for (const Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        guard.openFiles(txt(texts::OpenSoundfiles), {}, {}, true);
    }
    UiLanguage::instance().set(Language::English);
    guard.openFiles(QStringLiteral("Open Playlist"), {}, {}, false);
    guard.saveFile(QStringLiteral("Save Playlist"), {}, {});
    guard.message({}, {}, MessageIcon::None, MessageButtons::Ok, std::nullopt);
    EXPECT_EQ(seen, (std::vector<bool>{false, false, true, true, true}));
    EXPECT_TRUE(system.ports().inputOpen()) << "open again afterwards";
    EXPECT_EQ(system.ports().inputName(), peer.outDevice());
}

TEST(JackMidi, MissingDeviceLeavesAMessageAndStaysClosed) {
    MidiRig rig(1);
    rig.settings->setText(u"MidiInDevice", QStringLiteral("JACK: nobody:here"));
    rig.settings->setOn(u"UseMIDIIn", true);
    midi::MidiSystem system(*rig.show, *rig.settings);
    system.openMidi();
    EXPECT_FALSE(system.ports().inputOpen());
    EXPECT_TRUE(
        SystemMessages::instance().entries().last().contains(QStringLiteral("JACK: nobody:here")));
}

// The interface is pulled out mid-show and plugged in again: its notes fire cues again, and
// the program's notes reach it again, without a visit to the options.
TEST(JackMidiDevice, RepluggedInterfaceIsHeardAndServedAgain) {
    auto peer = std::make_unique<JackPeer>("kalvor_midi_replug");
    if (!peer->ok())
        GTEST_SKIP() << "no JACK server";
    HeldNoteOnPeer held(*peer);
    ASSERT_TRUE(held.system->ports().inputOpen());

    peer.reset();
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
    EXPECT_TRUE(waitFor([&] { return sawMessage(*peer, {0x90, 36, 127}); }, 5000));
}

// The JACK server exits mid-show and is started again. While it is away another client of
// the program is opened, as the audio output's reopening does once a second; libjack then
// deletes every client the process still had of the old server, RtMidi's among them. The
// ports must come back without touching those clients again.
TEST(JackMidiDevice, AServerThatExitsAndComesBackIsHeardAndServedAgain) {
    if (!jackdInstalled())
        GTEST_SKIP() << "jackd is not installed";
    QProcess server;
    const auto startServer = [&] {
        std::unique_ptr<JackPeer> peer;
        if (!startPrivateJack(server, u"kalvor-midi-lost"_s))
            return peer;
        for (int attempt = 0; attempt < 50 && !(peer && peer->ok()); ++attempt) {
            QThread::msleep(100); // the server needs a moment before it answers
            peer = std::make_unique<JackPeer>("kalvor_midi_lost");
        }
        return peer;
    };
    auto peer = startServer();
    ASSERT_TRUE(peer && peer->ok());
    HeldNoteOnPeer held(*peer);
    ASSERT_TRUE(held.system->ports().outputOpen());

    // The server back after its loss was told, and back before the ports' next look: then a
    // GO at once, or a note the input heard before the loss, fires the channel, and its note
    // out must reach the peer through a port reopened for it.
    for (const bool toldFirst : {true, false}) {
        peer.reset();
        // Terminated, not killed: a server that exits on its own leaves JACK's registry of
        // servers, which has room for eight.
        server.terminate();
        server.waitForFinished();
        SystemMessages::instance().clear();
        if (toldFirst) {
            EXPECT_TRUE(waitFor([&] { return said("MIDI output device gone"); }, 5000));
        }
        EXPECT_EQ(jack_client_open("kalvor_midi_other", JackNoStartServer, nullptr), nullptr);

        peer = startServer();
        ASSERT_TRUE(peer && peer->ok());
        KAE__Channel_Stop(0);
        if (!toldFirst) {
            // No event has been handled since the return: the ports have not looked yet.
            held.rig.show->playback().PressPlay(0);
            EXPECT_TRUE(waitFor([&] { return sawMessage(*peer, {0x90, 36, 127}); }, 5000))
                << "a GO at once: "
                << SystemMessages::instance().entries().join(u'\n').toStdString();
            KAE__Channel_Stop(0);
        }
        EXPECT_TRUE(waitFor([] { return !KAE__Channel_IsPlaying(0); }, 5000));
        EXPECT_TRUE(waitFor(
            [&] {
                peer->send({0x90, 36, 100});
                return KAE__Channel_IsPlaying(0);
            },
            5000))
            << SystemMessages::instance().entries().join(u'\n').toStdString();
        EXPECT_TRUE(waitFor([&] { return sawMessage(*peer, {0x90, 36, 127}); }, 5000))
            << (toldFirst ? "told first: " : "back at once: ")
            << SystemMessages::instance().entries().join(u'\n').toStdString();
    }
    peer.reset();
    held.system->closeMidi();
    qunsetenv("JACK_DEFAULT_SERVER");
    server.terminate();
    server.waitForFinished();
}

// The MIDI Setup page's device lists as the options window drives them: "<none>" chosen
// (an empty device) leaves the device closed, whatever the stored settings name.
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

#ifdef KALVOR_APP
TEST(JackMidi, ProgramPlaysWhatASequencerOnJackAsks) {
    if (!jackRuns())
        GTEST_SKIP() << "no JACK server";
    JackPeer peer("kalvor_midi_app");
    ASSERT_TRUE(peer.ok());
    ProgramRun app;
    ASSERT_TRUE(app.ok());
    ShowRig maker;
    const QString sound = maker.tone(QStringLiteral("cue"), 3.0);
    playlist::PlaylistDocument doc;
    doc.soundPaths[0] << sound;
    Preset p;
    p.setName(QStringLiteral("Scene"));
    PresetChannel& c = p.channels[0];
    c.volume = 100;
    c.midiInNote = c.midiOutNote = 60;
    c.midiInChannel = c.midiOutChannel = 1;
    c.midiInEnabled = c.midiOutEnabled = true;
    doc.presets.push_back(p);
    const QString show = app.path(QStringLiteral("midi.kal"));
    writeFile(show, playlist::writePlaylist(doc));
    ASSERT_TRUE(app.writeSettings(
        "[Midi]\nUseMIDIIn=1\nUseMIDIOut=1\nSendPRGChange=1\nMidiInDevice=" +
        peer.outDevice().toUtf8() + "\nMidiOutDevice=" + peer.inDevice().toUtf8() + "\n"));
    app.start({show});

    // The recall after loading the show sends its program change: both ports are up.
    EXPECT_TRUE(waitFor([&] { return sawMessage(peer, {0xC0, 0}); }, 30000));
    peer.send({0x90, 60, 100});
    EXPECT_TRUE(waitFor(
        [&] {
            return sawMessage(peer, {0x90, 60, 127});
        },
        5000))
        << "channel 1 started and said so";
    EXPECT_TRUE(app.endsCleanly()) << app.errors();
}
#endif
