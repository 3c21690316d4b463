// The KR-1 over a real pseudo-terminal pair: the program's serial line at one end, the
// software peer at the other, a show on the offline engine. What the unit shows is
// checked on the peer's screen model, what it does on the show. Then keys against the
// show's state without the wire: channel keys whose release is not acted on (let go while
// a show loads, whose boxes let events run and drop keys, or never to come because the
// unit went away), and STOP ALL while the PLAY buttons flash.
#include "PtyPair.h"
#include "TestUnitPort.h"
#include "support/ProgramRun.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include "control/serial/SerialLine.h"
#include "control/units/UnitPeer.h"
#include "control/units/UnitScreenImage.h"
#include "control/units/kr1/Kr1Decoder.h"
#include "control/units/kr1/Kr1Remote.h"
#include "core/SystemMessages.h"

#include <QDir>

#include <gtest/gtest.h>

#include <random>

using namespace kalvor;
using namespace kalvor::test;

namespace {

// Layout 1: band i starts at x = 280 - 40 i.
int bandBase(int i) {
    return 280 - 40 * i;
}

struct Kr1Show : ShowRig {
    PtyPair pty;
    std::unique_ptr<SerialLine> line;
    std::unique_ptr<UnitPort> port;
    TestUnitPort* testPort = nullptr;
    CountedSerialPort* counted = nullptr;
    std::unique_ptr<Kr1Remote> kr1;
    UnitPeer peer{std::make_unique<Kr1Decoder>()};
    qint64 delivered = 0; // bytes the line handed to the remote

    // `testCts`: the unit port is a test port whose CTS the test sets; its writes still
    // go out on the serial line.
    explicit Kr1Show(bool testCts = false) {
        settings->setText(u"SavePresetsOnChange", QStringLiteral("0"));
        settings->setText(u"ComMode", QStringLiteral("KR-1"));
        settings->setText(u"ComPort", QStringLiteral("1"));
        settings->setText(u"EnableCom", QStringLiteral("ON"));
        settings->setText(u"ComDevice1", pty.path("a"));
        loadChannel(0, {tone(QStringLiteral("Bär"), 20)});
        loadChannel(1, {ramp(QStringLiteral("second"), 20)});
        loadChannel(19, {tone(QStringLiteral("twenty"), 20)});
        // Preset 1 plain, preset 2 with channel 1 looping in play group 2, stop group 3,
        // preset 3 plain again.
        show->presets().NewPreset();
        show->presets().NewPreset();
        show->channelOps().SetMode(0, PlayMode::Loop, true);
        show->channelOps().SetGroup(0, true, 2);
        show->channelOps().SetGroup(0, false, 3);
        show->presets().StorePreset(1, true);
        show->channelOps().SetMode(0, PlayMode::Loop, false);
        show->channelOps().SetGroup(0, true, 0);
        show->channelOps().SetGroup(0, false, 0);
        show->presets().StorePreset(0, true);
        show->presets().NewPreset();
        show->recall().SelectPreset(0);

        line = std::make_unique<SerialLine>(*settings);
        if (testCts) {
            auto p = std::make_unique<TestUnitPort>();
            testPort = p.get();
            testPort->forward = [this](const QByteArray& b) {
                line->write(b);
            };
            port = std::move(p);
        } else {
            auto p = std::make_unique<CountedSerialPort>(*line);
            counted = p.get();
            port = std::move(p);
        }
        kr1 = std::make_unique<Kr1Remote>(*show, *settings, *port);
        kr1->setPlaylistFolder(folder);
        kr1->setSendInterval(2); // the pty takes it; the tests need not wait as a unit would
        line->setReceiver(QStringLiteral("KR-1"), [this](const QByteArray& b) {
            delivered += b.size();
            kr1->received(b);
        });
        EXPECT_TRUE(line->open());
        QString error;
        EXPECT_TRUE(peer.open(pty.path("b"), 19200, &error)) << error.toStdString();
    }

    // Sends a key and waits until the unit has drawn what follows.
    void key(int code) {
        // Waiting for the byte to cross the pty, not a fixed time: a loaded machine takes
        // longer, and the screen read before the key got there would be the old one.
        const qint64 arrived = delivered + peer.decoder().keyBytes(code).size();
        peer.sendKey(code);
        peer.waitFor([&] { return delivered >= arrived; }, 60000);
        settle();
    }
    void keys(std::initializer_list<int> codes) {
        for (int k : codes)
            key(k);
    }
    // The bound is generous: a loaded machine under sanitizers draws a whole screen slowly,
    // and the wait ends as soon as the queue is empty.
    void settle() {
        peer.waitFor([&] { return kr1->link().queue().pending() == 0; }, 60000);
        const qint64 sent = counted ? counted->sent : testPort->written.size();
        peer.waitFor([&] { return peer.receivedCount() >= sent; }, 20000);
        peer.waitQuiet(60);
    }
    QString at(int x, int y) const { return peer.screen().textAt(x, y); }
};

} // namespace

TEST(Kr1Unit, ShowRunsFromThePeer) {
    Kr1Show rig;
    ASSERT_TRUE(rig.pty.ready()) << "socat did not make the pty pair";
    rig.kr1->initialise();
    ASSERT_TRUE(rig.peer.waitForText(QStringLiteral("Initializing Remote...")));
    rig.settle();
    const QByteArray wire = rig.peer.takeReceived();
    // Font commands behind ESC ESC, texts as command and CR only, "ä" as 84 hex.
    EXPECT_TRUE(wire.contains("\r\x1b\x1b"
                              "F11,3\r"));
    EXPECT_TRUE(wire.contains("\rZ308,22,B\x84r\r"));
    EXPECT_TRUE(wire.endsWith("\x1b\x1b"
                              "E\r"));
    EXPECT_EQ(rig.at(308, 22), QStringLiteral("Bär"));
    EXPECT_EQ(rig.at(bandBase(1) + 28, 22), QStringLiteral("second"));
    // A change that alters nothing the unit shows sends nothing.
    rig.store.announceChannel(1, ChannelAspect::Levels);
    rig.settle();
    EXPECT_TRUE(rig.peer.takeReceived().isEmpty());

    // Each step: the key codes sent, then what the peer's screen shows at (x, y) (empty
    // text: not checked), the current preset (-1: not checked) and whether channel 1 plays.
    struct Step {
        const char* what;
        std::vector<int> keys;
        int x, y;
        const char* shows;
        int preset;
        int playing; // channel 1: 1 playing, 0 stopped, -1 not checked
    };
    const int b0 = bandBase(0);
    const std::vector<Step> steps = {
        // clang-format off
        {"preset +", {25}, b0 + 4, 22, "        LOOP ", 1, 0},
        {"groups of preset 2", {}, b0 + 16, 190, "2P:3S", 1, -1},
        {"preset -", {17}, b0 + 16, 190, "-P:-S", 0, -1},
        {"channel key 1", {1}, b0 + 16, 22, "PLAY ", 0, 1},
        {"its release", {9}, b0 + 16, 22, "PLAY ", 0, 1},
        {"stop all", {28}, b0 + 16, 22, "STOP ", 0, 0},
        {"menu", {21}, 298, 8, "Main Menu", -1, -1},
        {"recall preset list", {32, 32, 32, 29}, 298, 8, "Preset Memory: 3", -1, -1},
        {"third preset recalled", {32, 32, 29}, b0 + 16, 190, "-P:-S", 2, -1},
        {"back to the menu", {21}, 298, 8, "Main Menu", -1, -1},
        {"key test", {24, 24, 24, 24, 29}, 298, 8, "Key Test", -1, -1},
        {"a key only shows", {25}, 205, 20, "[ PRESET + ]", 2, -1},
        {"unknown code", {200}, 205, 20, "            ", 2, -1},
        {"menu twice leaves", {21, 21}, 298, 8, "Main Menu", -1, -1},
        {"text reader", {24, 24, 24, 24, 29}, 260, 10, "No text found in", -1, -1},
        {"channel options", {21, 32, 32, 32, 29}, 298, 8, "Channel 1", -1, -1},
        {"loop on from the unit", {32, 32, 30}, 180, 150, "ON", -1, -1},
        {"back home", {21, 21}, b0 + 4, 22, "        LOOP ", -1, -1},
        {"next page", {31}, 282 - 20, 3, "", -1, -1},
        {"key 1 on page 2 is channel 9", {1, 9, 23}, b0 + 16, 22, "STOP ", -1, 0},
        // clang-format on
    };
    for (const Step& s : steps) {
        for (int k : s.keys)
            rig.key(k);
        EXPECT_TRUE(!*s.shows || rig.at(s.x, s.y).startsWith(QString::fromUtf8(s.shows)))
            << s.what << ": " << rig.at(s.x, s.y).toStdString();
        EXPECT_TRUE(s.preset < 0 || rig.store.presets().current() == s.preset) << s.what;
        const bool on = rig.show->playback().buttonColour(0) == ButtonColour::On;
        EXPECT_TRUE(s.playing < 0 || on == (s.playing == 1)) << s.what;
    }
    EXPECT_EQ(rig.store.controls(0).loopMode, 1);
    EXPECT_EQ(rig.kr1->page(), 0);

    // With a document, the text reader shows it and scrolls to its end.
    rig.kr1->textReaderLines = [] {
        return QStringList{QStringLiteral("Act one"), QStringLiteral("Scene two")};
    };
    rig.keys({21, 24, 24, 24, 29});
    EXPECT_EQ(rig.at(260, 10), QStringLiteral("Act one"));
    rig.key(32);
    EXPECT_EQ(rig.at(260, 10), QStringLiteral("Scene two"));
    EXPECT_EQ(rig.at(246, 10), QStringLiteral("-------- end of text ---------"));
}

// Save from the unit, load it again from the playlist screen; a file that is no playlist
// gives the warning with its way out, and the browser offers the drives.
TEST(Kr1Unit, PlaylistsFromTheUnit) {
    Kr1Show rig;
    rig.kr1->initialise();
    rig.settle();
    rig.keys({21, 32, 29}); // Save Playlist: none loaded yet, so a new name
    ASSERT_FALSE(rig.store.playlistPath().isEmpty());
    const QString saved = QFileInfo(rig.store.playlistPath()).fileName();
    EXPECT_TRUE(saved.startsWith(QLatin1String("Playlist ")));
    writeFile(QDir(rig.folder).filePath(QStringLiteral("A junk.kal")), "not a playlist\r\n");

    rig.keys({24, 29}); // Load Playlist
    EXPECT_EQ(rig.at(262, 4), QStringLiteral(">"));
    EXPECT_EQ(rig.at(262, 10), QStringLiteral("A junk.kal"));
    EXPECT_EQ(rig.at(250, 10), saved.left(24) + QLatin1Char('~'));
    rig.key(29);
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("loaded with this version.")));
    rig.key(29); // Enter does not leave this one
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("(Hit 'Menu' to continue)")));
    rig.key(21);
    EXPECT_EQ(rig.at(298, 8), QStringLiteral("Main Menu"));

    rig.keys({29, 32}); // Load Playlist again, the saved one this time
    EXPECT_EQ(rig.at(250, 4), QStringLiteral(">"));
    EXPECT_EQ(rig.at(262, 126), QStringLiteral("New Preset"));
    rig.key(29);
    EXPECT_EQ(QFileInfo(rig.store.playlistPath()).fileName(), saved);
    EXPECT_EQ(rig.at(bandBase(0) + 28, 22), QStringLiteral("Bär"));

    rig.keys({21, 29, 23}); // the file browser
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral(" Drives ")));
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("A junk.kal")));

    // A show of an older format loaded from the main window: the unit warns, and Enter
    // goes on to the channel page.
    const QString olderPath = QDir(rig.folder).filePath(QStringLiteral("older.kal"));
    writeFile(olderPath,
              readFile(rig.store.playlistPath()).replace("Fileformat 17", "Fileformat 16"));
    const playlist::LoadReport report = rig.show->LoadPlaylist(olderPath);
    EXPECT_EQ(report.format, 16);
    rig.settle();
    EXPECT_EQ(rig.kr1->screen(), Kr1Remote::Screen::Warning);
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("(Hit 'Enter' to continue)")));
    rig.key(29);
    EXPECT_EQ(rig.at(bandBase(0) + 28, 22), QStringLiteral("Bär"));

    rig.kr1->close(); // closing: the unit says that it is no longer live
    EXPECT_TRUE(rig.peer.waitForText(QStringLiteral("Kalvor closed")));
    rig.key(21);
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("Kalvor closed")));
}

// Hotkey mode: the unit's keys fire channels by number; 109 is the way to the menu.
TEST(Kr1Unit, HotkeyMode) {
    Kr1Show rig;
    rig.kr1->initialise();
    rig.settle();
    rig.keys({21, 24, 24, 24, 29}); // HOTKEY Mode, the third entry from the end
    EXPECT_EQ(rig.settings->text(u"HotkeyMode"), QStringLiteral("1"));
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("HOTKEY Mode ON")));
    rig.key(21);
    EXPECT_EQ(rig.kr1->screen(), Kr1Remote::Screen::Channels);
    rig.key(20); // channel 20's PLAY, not REPEAT
    EXPECT_EQ(rig.show->playback().buttonColour(19), ButtonColour::On);
    rig.key(220); // the second bank: channel 20 again, pressed to stop
    EXPECT_EQ(rig.show->playback().buttonColour(19), ButtonColour::Off);
    rig.key(21); // MENU is channel 21 here: no menu
    EXPECT_EQ(rig.kr1->screen(), Kr1Remote::Screen::Channels);
    rig.key(109);
    EXPECT_EQ(rig.at(298, 8), QStringLiteral("Main Menu"));
    rig.key(20); // in the menu the keys are the unit's own again
    EXPECT_EQ(rig.show->playback().buttonColour(19), ButtonColour::Off);
}

// CTS held low on the test port: the system message once, nothing sent; after more than
// 5000 ms the queue is dropped and the unit drawn again from the start screen. More than
// 500 commands while the unit is busy: once CTS is high, the screen shown is drawn whole.
TEST(Kr1Unit, CtsTimeOutAndOverflowRedraw) {
    Kr1Show rig(true);
    rig.testPort->cts = false;
    rig.kr1->initialise();
    rig.kr1->link().stop(); // the test ticks the queue itself
    ASSERT_FALSE(rig.dialogs.messages().isEmpty());
    EXPECT_EQ(rig.dialogs.messages().last().text, QStringLiteral("No Remote connected !?"));
    UnitCommandQueue& q = rig.kr1->link().queue();
    const int queued = q.pending();
    EXPECT_GT(queued, 20);
    for (int i = 0; i < 501; ++i)
        q.tick(*rig.port, 10);
    EXPECT_TRUE(rig.testPort->written.isEmpty());
    EXPECT_TRUE(SystemMessages::instance().entries().last().endsWith(
        QLatin1String("KR-1 is busy or offline (CTSHolding = FALSE)")));
    rig.testPort->cts = true;
    q.tick(*rig.port, 10);
    EXPECT_EQ(rig.testPort->written, QByteArray("\x1b\x1bG\r")); // the start screen's first
    EXPECT_EQ(q.pending(), queued - 1);
    rig.kr1->link().start(2);
    EXPECT_TRUE(rig.peer.waitForText(QStringLiteral("Initializing Remote...")));
    rig.settle();
    EXPECT_EQ(rig.at(308, 22), QStringLiteral("Bär"));

    rig.testPort->cts = false;
    rig.kr1->link().stop();
    for (int i = 0; i < 20; ++i)
        rig.kr1->redraw();
    EXPECT_TRUE(q.overflowed());
    rig.peer.takeReceived();
    rig.testPort->cts = true;
    rig.kr1->link().start(2);
    rig.settle();
    const QByteArray wire = rig.peer.takeReceived();
    EXPECT_TRUE(wire.startsWith("DL\r"));
    EXPECT_EQ(wire.count("DL\r"), 1);
    EXPECT_EQ(rig.at(308, 22), QStringLiteral("Bär"));
}

// Random bytes from the unit: no crash, no hang, the queue bounded, and the unit still
// answers afterwards.
TEST(Kr1Unit, RandomBytesFromTheUnit) {
    Kr1Show rig;
    rig.kr1->initialise();
    rig.settle();
    std::mt19937 rng(5);
    for (int burst = 0; burst < 20; ++burst) {
        QByteArray noise(100, '\0');
        for (char& b : noise)
            b = static_cast<char>(rng() & 0xff);
        rig.peer.sendRaw(noise);
        rig.peer.waitFor([] { return false; }, 20);
        EXPECT_LE(rig.kr1->link().queue().pending(), UnitCommandQueue::kSlots);
    }
    rig.settle();
    rig.settings->setText(u"HotkeyMode", QStringLiteral("0"));
    rig.kr1->initialise();
    rig.settle();
    rig.key(21);
    EXPECT_EQ(rig.at(298, 8), QStringLiteral("Main Menu"));
    // "Scene List only": the preset list is the unit's home screen.
    rig.settings->setText(u"KR1_ScenesOnly", QStringLiteral("1"));
    rig.key(21);
    EXPECT_EQ(rig.at(298, 8), QStringLiteral("Preset Memory: 3"));
}

TEST(Kr1Keys, ChannelKeyReleasedDuringALoadPlaysAgainAfterIt) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(QStringLiteral("a"), 5.0), rig.folder + "/gone.wav"});
    rig.addPresets(1);
    const QString path = rig.folder + "/show.kal";
    ASSERT_EQ(rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);
    // The missing sound brings up a box while the file is read.
    rig.settings->setInteger(u"DisplayLoadFailed", 1);

    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.initialise();
    kr1.received("\x01"); // channel key 1 down
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    bool asked = false;
    rig.dialogs.onBox = [&](const RecordedBox&) {
        if (!std::exchange(asked, true))
            kr1.received("\x09"); // and up, while the box is shown
    };
    ASSERT_EQ(rig.show->LoadPlaylist(path).outcome, playlist::LoadOutcome::Loaded);
    ASSERT_TRUE(asked) << "the load showed no box";
    ASSERT_FALSE(KAE__Channel_IsPlaying(0));

    kr1.received("\x01");
    EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << "the press after the load was taken as a repeat";
}

// The line goes away (adapter pulled, another mode chosen) while a channel key holds a
// hold-mode channel: its release can never come, so the channel is let go then, as the
// key's release would have done.
TEST(Kr1Keys, HeldChannelIsReleasedWhenTheUnitGoesAway) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(QStringLiteral("a"), 5.0)});
    rig.store.controls(0).holdMode = 1;
    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.initialise();
    kr1.received("\x01");
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    kr1.deactivate();
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
}

// A preset that carries a text position takes the unit's text reader there when it is
// recalled; one without (-1) leaves the reader where the operator scrolled it.
TEST(Kr1Keys, RecallTakesTheTextReaderToThePresetsPosition) {
    ShowRig rig;
    rig.addPresets(3);
    rig.store.presets().slot(1).remoteTextPosition = 2;
    rig.store.presets().slot(2).remoteTextPosition = -1;
    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.textReaderLines = [] {
        return QStringList{QStringLiteral("Act one"), QStringLiteral("Scene two"),
                           QStringLiteral("Scene three")};
    };
    const auto drain = [&] {
        QCoreApplication::processEvents();
        for (int i = 0; i < 5000 && kr1.link().queue().pending() > 0; ++i)
            kr1.link().queue().tick(port, 10);
    };
    kr1.initialise();
    kr1.received(QByteArray("\x15\x20\x20\x20\x20\x1d")); // MENU, DOWN x 4, ENTER
    drain();
    ASSERT_EQ(kr1.screen(), Kr1Remote::Screen::TextReader);
    // The recalled preset, then the first line the reader shows.
    const std::vector<std::pair<int, const char*>> steps = {{1, "Scene three"}, {2, "Scene three"}};
    for (const auto& [preset, first] : steps) {
        port.written.clear();
        rig.show->recall().SelectPreset(preset);
        drain();
        EXPECT_TRUE(port.written.contains(QByteArray("Z260,10,") + first + "\r"))
            << "preset " << preset << ": " << port.written.toStdString();
    }
}

// With "PLAY color flashes" (the default) a playing channel's button is dark for most of
// the flash cycle; STOP ALL stops it whatever colour it shows.
TEST(Kr1Keys, StopAllStopsChannelsInTheDarkPhaseOfTheirFlash) {
    ShowRig rig;
    rig.loadChannel(0, {rig.tone(QStringLiteral("a"), 5.0)});
    rig.settings->setInteger(u"FlashStatePlay", 1);
    TestUnitPort port;
    Kr1Remote kr1(*rig.show, *rig.settings, port);
    kr1.initialise();
    rig.show->playback().PlayButtonDown(0);
    for (int tick = 0; tick < 2; ++tick)
        rig.show->playback().tickButtonColours();
    ASSERT_TRUE(KAE__Channel_IsPlaying(0));
    ASSERT_EQ(rig.show->playback().buttonColour(0), ButtonColour::Off);
    kr1.received(QByteArray(1, char(28))); // STOP ALL
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
}

// The pictures for the README: KALVOR_SHOTS_DIR=/tmp/shots ... --gtest_filter='Kr1Shots.*'
TEST(Kr1Shots, ChannelPageMenuAndPresetList) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALVOR_SHOTS_DIR not set";
    Kr1Show rig;
    rig.kr1->initialise();
    rig.settle();
    // The three in the README.
    const std::vector<std::pair<std::vector<int>, const char*>> shots = {
        {{25, 1, 9}, "kr1-channels.png"},
        {{21, 32}, "kr1-menu.png"},
        {{32, 32, 29}, "kr1-presets.png"},
    };
    for (const auto& [keys, name] : shots) {
        for (int k : keys)
            rig.key(k);
        EXPECT_TRUE(saveUnitScreenPng(rig.peer.screen(), QDir(dir).filePath(QLatin1String(name))));
    }
}

#ifdef KALVOR_APP
// The program with the KR-1 as its serial mode: start-up's steps draw the unit, and
// closing leaves "Kalvor closed" on it.
TEST(Kr1Unit, ProgramDrivesTheUnitFromStartToClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.ready());
    ProgramRun app;
    ASSERT_TRUE(app.ok());
    ASSERT_TRUE(app.writeSettings("[User]\nEnableCom=ON\nComMode=KR-1\nComPort=1\nComDevice1=" +
                                  pty.path("a").toUtf8() + "\n"));

    UnitPeer peer(std::make_unique<Kr1Decoder>());
    ASSERT_TRUE(peer.open(pty.path("b"), 19200));
    app.start();

    EXPECT_TRUE(peer.waitForText(QStringLiteral("Initializing Remote..."), 60000));
    // No playlist to load: the channel page of the new preset.
    EXPECT_TRUE(peer.waitForText(QStringLiteral("STOP "), 60000));
    EXPECT_TRUE(peer.waitForText(QStringLiteral("Kalvor closed"), 60000));
    EXPECT_TRUE(app.endsCleanly()) << app.errors();
}
#endif
