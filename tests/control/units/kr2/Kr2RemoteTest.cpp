// The KR-2 on a show. Over a real pseudo-terminal pair: the program holds one end as
// "COM 1" in KR-2 mode, the software peer is the unit at the other end; the whole program
// with the KD-1 on a port of its own too. Behind the shared queue on a test port whose CTS
// line the test holds: a long wait redraws from the start screen, an overflow redraws the
// screen shown, whole; noise from the unit; a playlist chosen on the unit that does not load.
#include "PtyPair.h"
#include "TestUnitPort.h"
#include "support/ProgramRun.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include "control/serial/SerialLine.h"
#include "control/units/UnitCommandQueue.h"
#include "control/units/UnitLink.h"
#include "control/units/UnitPeer.h"
#include "control/units/UnitScreenImage.h"
#include "control/units/kd1/Kd1Decoder.h"
#include "control/units/kr2/Kr2Decoder.h"
#include "control/units/kr2/Kr2Keys.h"
#include "control/units/kr2/Kr2Remote.h"
#include "engine/kae/Kae.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace kalvor::units;

namespace {


// A show of two presets on the offline engine, the KR-2 remote on COM 1, the peer on the
// other end of the pty.
struct Kr2Show : ShowRig {
    PtyPair pty;
    std::unique_ptr<SerialLine> line;
    std::unique_ptr<CountedSerialPort> port;
    std::unique_ptr<UnitLink> link;
    std::unique_ptr<Kr2Remote> remote;
    UnitPeer peer{std::make_unique<Kr2Decoder>()};
    qint64 delivered = 0; // bytes the line handed to the remote

    Kr2Show() {
        loadChannel(0, {ramp(QStringLiteral("Über"), 5.0), ramp(QStringLiteral("Wind"), 5.0)});
        loadChannel(1, {ramp(QStringLiteral("Rain"), 5.0)});
        ChannelOperations& ops = show->channelOps();
        // Preset 1: channel 1 loops in play group 2. Preset 2: channel 2 restarts and
        // pauses, stop group 5; channel 1 plain.
        ops.SetMode(0, PlayMode::Loop, true);
        ops.SetGroup(0, true, 2);
        show->presets().NewPreset();
        ops.SetMode(0, PlayMode::Loop, false);
        ops.SetGroup(0, true, 0);
        ops.SetMode(1, PlayMode::Restart, true);
        ops.SetMode(1, PlayMode::Pause, true);
        ops.SetGroup(1, false, 5);
        addPresets(1);

        settings->setText(u"EnableCom", QStringLiteral("ON"));
        settings->setText(u"ComMode", QStringLiteral("KR-2"));
        settings->setText(u"ComPort", QStringLiteral("1"));
        settings->setText(u"ComDevice1", pty.path("a"));
        line = std::make_unique<SerialLine>(*settings);
        port = std::make_unique<CountedSerialPort>(*line);
        link = std::make_unique<UnitLink>(*port, QStringLiteral("KR-2"), QStringLiteral("busy"));
        remote = std::make_unique<Kr2Remote>(*show, *settings, Kr2Remote::Send{});
        remote->useQueue(link->queue());
        line->setReceiver(QStringLiteral("KR-2"), [this](const QByteArray& b) {
            delivered += b.size();
            remote->received(b);
        });
    }
    ~Kr2Show() {
        link->stop();
        remote.reset();
        line->close();
    }
    bool start() {
        if (!line->open() || !peer.open(pty.path("b"), 9600))
            return false;
        link->start();
        remote->start();
        return true;
    }
    // Sends a key and lets the screens it causes arrive.
    void key(const char* name) {
        const auto code = peer.decoder().keyCode(QString::fromLatin1(name));
        ASSERT_TRUE(code);
        const qint64 arrived = delivered + peer.decoder().keyBytes(*code).size();
        ASSERT_TRUE(peer.sendKey(*code)) << name;
        // The key is handled when the line hands it over, and its screens queue at once.
        // Waiting for the byte, not a fixed time, keeps a loaded machine from reading the
        // screen before the key got there; the bounds only stop a hung line.
        ASSERT_TRUE(peer.waitFor([&] { return delivered >= arrived; }, 60000)) << name;
        (void)peer.waitFor([&] { return link->queue().pending() == 0; }, 60000);
        (void)peer.waitFor([&] { return peer.receivedCount() >= port->sent; }, 20000);
        peer.waitQuiet(100);
    }
    // Keys named one after another, separated by blanks.
    void keys(const char* names) {
        for (const QString& name : QString::fromLatin1(names).split(QLatin1Char(' ')))
            key(name.toLatin1().constData());
    }
    QString row(int r) const { return peer.screen().row(r - 1); }
};


struct Kr2QueueRig : ShowRig {
    TestUnitPort port;
    UnitCommandQueue queue{QStringLiteral("KR-2"), QStringLiteral("KR-2 is busy")};
    Kr2Remote remote{*show, *settings, Kr2Remote::Send{}};
    Kr2Decoder decoder;
    UnitScreen screen{decoder.surface()};

    Kr2QueueRig() {
        loadChannel(0, {ramp(QStringLiteral("a"), 2.0)});
        show->presets().NewPreset();
        port.forward = [this](const QByteArray& b) {
            decoder.feed(b, screen);
        };
        remote.useQueue(queue);
    }
    // Ticks of 10 ms until the queue is empty (or a bound is reached).
    void drain() {
        for (int i = 0; i < 2000 && queue.pending() > 0; ++i)
            queue.tick(port, 10);
    }
    void keys(std::initializer_list<Kr2Key> keys) {
        for (Kr2Key k : keys)
            remote.received(Kr2KeyDecoder::code(k));
        drain();
    }
    void key(Kr2Key k) { remote.received(Kr2KeyDecoder::code(k)); }
};

} // namespace

TEST(Kr2Peer, ARehearsalFromThePeer) {
    Kr2Show rig;
    ASSERT_TRUE(QFileInfo::exists(rig.pty.path("a"))) << "socat did not make the pty pair";
    ASSERT_TRUE(rig.start());
    ASSERT_TRUE(rig.peer.waitForText(QStringLiteral("8: -"), 10000))
        << rig.peer.screen().rows().join(QLatin1Char('\n')).toStdString();
    rig.peer.waitQuiet(200);
    const auto* decoder = static_cast<Kr2Decoder*>(&rig.peer.decoder());
    EXPECT_EQ(decoder->setups(), 1);
    rig.peer.takeReceived();

    // After each key: channel 1 and 2 playing, the current preset, and texts of the
    // decoded screen at (column, row).
    struct Step {
        const char* key;
        int playing1;
        int playing2;
        int preset;
        std::vector<std::tuple<int, int, const char*>> texts;
    };
    const std::vector<Step> steps = {
        // Preset 1 shows its modes and groups.
        {"enter", -1, -1, -1, {{27, 2, "New Preset"}}},
        {"menu", -1, -1, -1, {{1, 1, "1: -     LP"}, {34, 1, "P2"}, {38, 1, "---"}}},
        {"ch1", 1, 0, 0, {}},
        {"ch1up", 1, 0, 0, {}},
        {"ch1", 0, 0, 0, {}},
        {"ch1up", 0, 0, 0, {}},
        // The next preset: channel 2's restart, pause and stop group, channel 1 plain.
        {"preset+", 0, 0, 1, {{1, 2, "2: RSTRT -  PSE"}, {38, 2, "S5"}, {1, 1, "1: -     - "}}},
        {"play2", 0, 1, 1, {}},
        {"stopall", 0, 0, 1, {}},
        {"preset-", 0, 0, 0, {{10, 1, "LP"}}},
        // The sound list of the cursor channel: "Ü" reached the unit as 9A.
        {"+", -1, -1, -1, {{5, 2, "Über"}, {5, 3, "Wind"}, {29, 2, "Channel 1"}}},
        {"menu", -1, -1, -1, {{1, 1, "1:"}}},
        {"menu", -1, -1, -1, {{13, 1, "Function Menu 1"}, {3, 5, "Load Playlist"}}},
        {"down", -1, -1, -1, {}},
        {"menu", -1, -1, -1, {{1, 2, "2:"}}},
        {"right", -1, -1, -1, {{1, 1, "9:"}, {1, 8, "16:"}}},
        {"left", -1, -1, -1, {{1, 1, "1:"}}},
    };
    for (const Step& s : steps) {
        rig.key(s.key);
        EXPECT_TRUE(s.playing1 < 0 || KAE__Channel_IsPlaying(0) == (s.playing1 == 1)) << s.key;
        EXPECT_TRUE(s.playing2 < 0 || KAE__Channel_IsPlaying(1) == (s.playing2 == 1)) << s.key;
        EXPECT_TRUE(s.preset < 0 || rig.store.presets().current() == s.preset) << s.key;
        for (const auto& [column, row, text] : s.texts) {
            const QString want = QString::fromUtf8(text);
            EXPECT_EQ(rig.row(row).mid(column - 1, want.size()), want)
                << s.key << "\n"
                << rig.peer.screen().rows().join(QLatin1Char('\n')).toStdString();
        }
        const QByteArray wire = rig.peer.takeReceived();
        EXPECT_TRUE(QByteArray(s.key) != "+" || wire.contains(QByteArray("\x9a") + "ber"));
    }
}

// Pictures of the channel page, the function menu and the preset list as the peer
// renders them, when KALVOR_SHOTS_DIR names a folder.
TEST(Screenshots, Kr2) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALVOR_SHOTS_DIR not set";
    Kr2Show rig;
    rig.store.presets().rename(0, QStringLiteral("Act 1: Storm"));
    rig.store.presets().rename(1, QStringLiteral("Act 1: Calm"));
    ASSERT_TRUE(rig.start());
    ASSERT_TRUE(rig.peer.waitForText(QStringLiteral("8:"), 10000));
    const std::pair<const char*, const char*> shots[] = {{"preset+", "kr2-channel-page.png"},
                                                         {"ch2 menu", "kr2-function-menu.png"},
                                                         {"menu enter", "kr2-preset-list.png"}};
    for (const auto& [keys, file] : shots) {
        rig.keys(keys);
        EXPECT_TRUE(
            saveUnitScreenPng(rig.peer.screen(), dir + QLatin1Char('/') + QLatin1String(file)));
    }
}

// The function menu's playlist browser and the warning for a file this version cannot
// read, and the sound list's quick select, all from the peer.
TEST(Kr2Peer, PlaylistsAndSoundsFromThePeer) {
    Kr2Show rig;
    const QString shows = rig.folder + QStringLiteral("/shows");
    ASSERT_TRUE(QDir().mkpath(shows));
    ASSERT_EQ(rig.show->playlists().SavePlaylist(shows + QStringLiteral("/Show.kal"), false),
              playlist::SaveOutcome::Saved);
    for (const char* name : {"/notes.kal", "/readme.txt"})
        writeFile(shows + QLatin1String(name), "not a playlist\r\n");
    rig.remote->setBrowserFolder(shows);
    ASSERT_TRUE(rig.start());
    ASSERT_TRUE(rig.peer.waitForText(QStringLiteral("8:"), 10000));
    struct Step {
        const char* key;
        const char* shows; // anywhere on the screen
        int selectedSound; // of channel 1, -1 unchecked
    };
    const std::vector<Step> steps = {
        {"menu down down down", "Function Menu 1", -1},
        {"enter", "notes.kal", -1},
        {"right", "readme.txt", -1},
        {"enter", "Previous playlist files can not be", -1},
        {"enter", "8:", -1},
        // No playlist loaded: saving it fails on the unit.
        {"menu", "Load Playlist", -1},
        {"enter", "FILE ERROR!", -1},
        {"menu", "8:", -1},
        {"menu down down down", "Function Menu 1", -1},
        {"enter", "notes.kal", -1},
        {"right", "Show.kal", -1},
        {"down", "readme.txt", -1},
        {"enter", "Filetype not .kal !", -1},
        {"down", "Show.kal", -1},
        {"enter", "8:", -1},
        // Now "Keep Preset and Save Playlist" works and leaves for the channel page.
        {"menu", "Function Menu 1", -1},
        {"enter", "8:", -1},
        // Sound list: ENTER loads the entry under the cursor, or moving does with quick
        // select on.
        {"+", "Enter=load", 0},
        {"down", "Sound 2/2", 0},
        {"enter", "8:", 1},
        {"+", "Sound 2/2", 1},
    };
    for (const Step& s : steps) {
        rig.keys(s.key);
        // At 9600 baud a whole page takes a third of a second to cross, and on a loaded
        // machine the line can fall quiet halfway: wait for the text, not for a pause.
        EXPECT_TRUE(rig.peer.waitForText(QString::fromUtf8(s.shows), 20000))
            << s.key << " wants " << s.shows << "\n"
            << rig.peer.screen().rows().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(s.selectedSound < 0 || rig.store.controls(0).selectedSound == s.selectedSound)
            << s.key;
    }
    EXPECT_EQ(rig.store.playlistPath(), shows + QStringLiteral("/Show.kal"));
    rig.settings->setText(u"KR-2 Quick Select", QStringLiteral("ON"));
    rig.key("up");
    EXPECT_EQ(rig.store.controls(0).selectedSound, 0);
    EXPECT_TRUE(rig.peer.screen().contains(QStringLiteral("Quick select")));
}


TEST(Kr2Queue, ALongCtsWaitRestartsAndAnOverflowRedraws) {
    Kr2QueueRig rig;
    rig.remote.start();
    rig.drain();
    EXPECT_EQ(rig.decoder.setups(), 1);
    rig.port.cts = false;
    rig.key(Kr2Key::Menu); // queued behind the wait
    rig.queue.tick(rig.port, 5100);
    rig.port.cts = true;
    rig.queue.tick(rig.port, 10);
    rig.drain();
    EXPECT_EQ(rig.decoder.setups(), 2);
    // As after selecting the mode: the start screen, then the channel page.
    EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels);
    EXPECT_TRUE(rig.screen.contains(QStringLiteral("8: -")))
        << rig.screen.rows().join(QLatin1Char('\n')).toStdString();

    rig.port.cts = false;
    // Every step redraws the whole menu: far more than 500 commands wait.
    rig.key(Kr2Key::Menu);
    for (int i = 0; i < 40; ++i)
        rig.key(i % 2 ? Kr2Key::Up : Kr2Key::Down);
    rig.key(Kr2Key::Down);
    EXPECT_TRUE(rig.queue.overflowed());
    EXPECT_LE(rig.queue.pending(), UnitCommandQueue::kSlots);
    rig.port.cts = true;
    rig.queue.tick(rig.port, 10);
    rig.drain();
    EXPECT_EQ(rig.decoder.setups(), 2) << "the screen shown again, not the start";
    EXPECT_TRUE(rig.screen.contains(QStringLiteral("(Select=up/down|Enter=execute|Menu=exit)")));
    EXPECT_TRUE(rig.screen.cell(2, 2).attrs.inverse); // "Keep Preset", the cursor line
}

// The unit says so in its browser instead of going back to the channel page as if the show
// had been loaded.
TEST(Kr2Load, PlaylistThatDoesNotLoadIsReportedOnTheUnit) {
    Kr2QueueRig rig;
    const QString shows = rig.folder + QStringLiteral("/shows");
    ASSERT_TRUE(QDir().mkpath(shows));
    // The header of the newest format, then nothing: read errors follow.
    writeFile(shows + QStringLiteral("/Cut short.kal"), "Fileformat 17\r\n");
    rig.remote.setBrowserFolder(shows);
    rig.remote.start();
    // MENU, down to "Load Playlist", ENTER: the browser; --> to the files.
    rig.keys({Kr2Key::Menu, Kr2Key::Down, Kr2Key::Down, Kr2Key::Down, Kr2Key::Enter, Kr2Key::Right});
    ASSERT_TRUE(rig.port.written.contains("Cut short.kal"));
    rig.port.written.clear();
    rig.keys({Kr2Key::Enter});
    EXPECT_TRUE(rig.port.written.contains("FILE ERROR!")) << rig.port.written.toStdString();
}

// A load lets events run while its boxes are up; a key from the unit then must not act on
// the half-read show (nor start a second load, or move the screen the load ends on).
TEST(Kr2Load, KeysArrivingWhileAPlaylistLoadsAreDropped) {
    for (const Kr2Key key : {Kr2Key::Enter, Kr2Key::Menu}) {
        Kr2QueueRig rig;
        rig.loadChannel(1, {rig.ramp(QStringLiteral("b"), 2.0), rig.folder + "/gone.wav"});
        const QString shows = rig.folder + QStringLiteral("/shows");
        ASSERT_TRUE(QDir().mkpath(shows));
        ASSERT_EQ(rig.show->playlists().SavePlaylist(shows + "/show.kal", false),
                  playlist::SaveOutcome::Saved);
        // The missing sound brings up a box while the file is read.
        rig.settings->setInteger(u"DisplayLoadFailed", 1);
        rig.remote.setBrowserFolder(shows);
        rig.remote.start();
        rig.keys(
            {Kr2Key::Menu, Kr2Key::Down, Kr2Key::Down, Kr2Key::Down, Kr2Key::Enter, Kr2Key::Right});
        bool asked = false;
        rig.dialogs.onBox = [&](const RecordedBox&) {
            if (!std::exchange(asked, true))
                rig.remote.received(Kr2KeyDecoder::code(key));
        };
        rig.keys({Kr2Key::Enter});
        ASSERT_TRUE(asked) << "the load showed no box";
        EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels) << int(key);
    }
}

// At 9600 baud a row takes some 50 ms: a fader drawn on the main window must not queue a
// row per step when the row shows nothing of the level, or the unit lags seconds behind.
TEST(Kr2Queue, OnlyChangesTheRowShowsAreSent) {
    struct Case {
        const char* what;
        std::function<void(ChannelOperations&)> change;
        bool sent;
    };
    const std::vector<Case> cases = {
        {"fader drawn",
         [](ChannelOperations& ops) {
             for (int v = 99; v >= 50; --v)
                 ops.SetVolume(0, v);
         },
         false},
        {"pan", [](ChannelOperations& ops) { ops.SetPan(0, -40); }, false},
        {"loop on", [](ChannelOperations& ops) { ops.SetMode(0, PlayMode::Loop, true); }, true},
    };
    for (const Case& c : cases) {
        Kr2QueueRig rig;
        rig.remote.start();
        rig.drain();
        rig.port.written.clear();
        c.change(rig.show->channelOps());
        rig.drain();
        EXPECT_EQ(rig.screen.contains(QStringLiteral("1: -     LP")), c.sent) << c.what;
        EXPECT_EQ(!rig.port.written.isEmpty(), c.sent) << c.what;
    }
}

TEST(Kr2Queue, NoiseFromTheUnitChangesNoScreenAndTheRemoteStillAnswers) {
    Kr2QueueRig rig;
    rig.remote.start();
    rig.drain();
    // Random bytes without key codes (those would play channels): nothing may break.
    QByteArray noise;
    QRandomGenerator random(19);
    while (noise.size() < 4000) {
        const auto b = static_cast<unsigned char>(random.bounded(256));
        if (b == 0 || (b > 0x3c && b < 0x41) || (b > 0x78 && b < 0xf0) || b == 0xf7)
            noise.append(static_cast<char>(b));
    }
    rig.remote.received(noise);
    rig.drain();
    EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels);
    rig.keys({Kr2Key::UnitReset});
    EXPECT_EQ(rig.decoder.setups(), 2);
    EXPECT_TRUE(rig.screen.contains(QStringLiteral("8:")));
    EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels);
}

#ifdef KALVOR_APP
TEST(Kr2Program, StartUpDrawsBothUnitsAndClosingSaysSo) {
    PtyPair kr2Pty;
    PtyPair kd1Pty;
    ASSERT_TRUE(kr2Pty.ready() && kd1Pty.ready());
    ProgramRun app;
    ASSERT_TRUE(app.ok());
    ASSERT_TRUE(app.writeSettings(
        "[User]\nEnableCom=ON\nComMode=KR-2\nComPort=1\nComDevice1=" + kr2Pty.path("a").toUtf8() +
        "\nDO500Enabled=1\nDO500ComPort=2\nComDevice2=" + kd1Pty.path("a").toUtf8() + "\n"));

    UnitPeer kr2(std::make_unique<Kr2Decoder>());
    ASSERT_TRUE(kr2.open(kr2Pty.path("b"), 9600));
    UnitPeer kd1(std::make_unique<Kd1Decoder>());
    ASSERT_TRUE(kd1.open(kd1Pty.path("b"), 19200));
    app.start();

    // The program starts, draws both units and closes (it quits once its window has been
    // pictured): the last screen on the KR-2 says so, and the display is cleared.
    EXPECT_TRUE(kr2.waitForText(QStringLiteral("Kalvor closed"), 120000));
    EXPECT_TRUE(app.endsCleanly());
    kr2.waitQuiet();
    kd1.waitQuiet();
    // Step 12 opened the display, step 23 the remote, step 29 put the show on the display.
    const QByteArray toKr2 = kr2.takeReceived();
    const QByteArray toKd1 = kd1.takeReceived();
    EXPECT_TRUE(toKr2.contains("KALVOR REMOTE KR-2"));
    EXPECT_TRUE(toKr2.contains("\x1bO1,88:"));
    EXPECT_TRUE(toKd1.contains("Kalvor Display KD-1"));
    EXPECT_TRUE(toKd1.contains("Preset -/1"));
    EXPECT_FALSE(kd1.screen().contains(QStringLiteral("Preset")));
    if (::testing::Test::HasFailure())
        ADD_FAILURE() << app.errors();
}
#endif
