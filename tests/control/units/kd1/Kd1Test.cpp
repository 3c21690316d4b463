// The KD-1: its commands byte by byte and pages as the peer's decoder reads them; then on a
// show: its own port over a real pseudo-terminal pair with the software peer at the far
// end, the refusals when opening, and the operations the keypads call.
#include "FakeKeypad.h"
#include "PtyPair.h"
#include "support/ShowRig.h"

#include "control/serial/SerialLine.h"
#include "control/units/UnitPeer.h"
#include "control/units/UnitScreenImage.h"
#include "control/units/kd1/Kd1Commands.h"
#include "control/units/kd1/Kd1Decoder.h"
#include "control/units/kd1/Kd1Display.h"
#include "control/units/kd1/Kd1Pages.h"
#include "control/xkeys/XkeysControl.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"

#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace kalvor::units;

namespace {

// The display's port straight into the peer's decoder, with a CTS line the test sets.
struct MemoryLink final : Kd1Link {
    Kd1Decoder decoder;
    UnitScreen screen{decoder.surface()};
    bool opens = true;
    bool cts = true;
    bool isOpen_ = false;
    QByteArray written;
    bool open(const QString&) override { return isOpen_ = opens; }
    void close() override { isOpen_ = false; }
    bool isOpen() const override { return isOpen_; }
    bool clearToSend() override { return cts; }
    void write(const QByteArray& bytes) override {
        written += bytes;
        decoder.feed(bytes, screen);
    }
};

struct Kd1Show : ShowRig {
    MemoryLink* link = nullptr;
    std::unique_ptr<Kd1Display> display;
    int serialPort = 0;

    explicit Kd1Show(std::unique_ptr<Kd1Link> port = {}) {
        loadChannel(0, {ramp(QStringLiteral("Thunder"), 3.0), ramp(QStringLiteral("Wind"), 3.0)});
        show->channelOps().SetMode(0, PlayMode::Loop, true);
        show->presets().NewPreset();
        show->channelOps().SetMode(0, PlayMode::Loop, false);
        addPresets(1);
        store.setPlaylistPath(folder + QStringLiteral("/Show.kal"));
        settings->setText(u"DO500Enabled", QStringLiteral("1"));
        settings->setText(u"DO500ComPort", QStringLiteral("2"));
        if (!port) {
            auto memory = std::make_unique<MemoryLink>();
            link = memory.get();
            port = std::move(memory);
        }
        display = std::make_unique<Kd1Display>(*show, *settings, std::move(port));
        display->setSerialPortInUse([this] { return serialPort; });
    }
    QString screen() const { return link->screen.rows().join(QLatin1Char('\n')); }
    void press(int key) {
        display->functionKey(key, true, false);
        display->functionKey(key, false, false);
    }
};

} // namespace

TEST(Kd1Commands, WriteCarriesCursorBlinkAndReverse) {
    struct Row {
        QByteArray got;
        QByteArray want;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {kd1Write(QString(), 3, 2, true, true), QByteArray()},
        {kd1Write(QStringLiteral("Hi"), 3, 2, false, true), QByteArray("\x1f\x24\x03\x02\x1f\x45\x00\x1f\x72\x01Hi", 12)},
        {kd1Write(QStringLiteral("Länge"), 1, 12, true, false),
         QByteArray("\x1f\x24\x01\x0c\x1f\x45\x05\x1f\x72\x00L\x84nge", 15)},
        {kd1PageStart(), QByteArray("\x1f\x28\x44\x04\x00\x03\x62\x00\x02", 9)},
        {kd1Clear(), QByteArray("\x0c")},
        {kd1Rule(1, 2).right(43), QByteArray(43, '\xc4')},
    };
    // clang-format on
    for (const Row& r : rows)
        EXPECT_EQ(r.got.toHex(' '), r.want.toHex(' '));
}

TEST(Kd1Pages, ReadBackAsTheyWereMeant) {
    Kd1ChannelOptions options;
    options.channel = 7;
    options.modes = {true, false, false, true, false, false, true};
    options.playGroup = 3;
    options.output = QStringLiteral("JACK");
    options.volume = 88;
    options.pan = -40;
    Kd1MainPage main;
    main.presetNumber = 2;
    main.presetCount = 5;
    main.presetName = QStringLiteral("Storm");
    main.nextName = QStringLiteral("Rain");
    main.playing = {{4, QStringLiteral("Thunder"), QStringLiteral("00:12"), 50, false}};
    struct Row {
        const char* name;
        QByteArrayList commands;
        std::vector<std::pair<int, const char*>> rows; // 1-based row, its start
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"main", kd1MainPageCommands(main, Language::English),
         {{1, "Preset 2/5  Storm"}, {2, "───"}, {3, " 4 >  Thunder"}, {12, "Next: Rain"}}},
        {"options 1", kd1OptionsPage(1, options, Language::English),
         {{1, "Options for channel 7 (Page 1)"}, {4, "Restart         : ON    Roll B/F   : - "},
          {5, "Loop            : -     Autostart  : ON"}, {6, "Pause           : -     Play Group : 3"},
          {7, "Play while hold : ON    Stop Group : ---"}}},
        {"options 2 de", kd1OptionsPage(2, options, Language::German),
         {{1, "Einstellungen für Kanal 7 (Seite 2)"}, {4, "Ausgangsgerät: JACK"},
          {5, "Volume       : -12dB"}, {6, "Pan          : L40"}}},
        {"no sounds", kd1ListPage(QStringLiteral("Sound selection for channel 1"), {}, 0, 0,
                                  QStringLiteral(" No sounds existing in list!")),
         {{4, " No sounds existing in list!"}}},
        {"entry", kd1TextEntryPage(Kd1TextEntry::SavePlaylistAs, QStringLiteral("Show"), 4, Language::English),
         {{1, "Save Playlist as..."}, {4, "  Show"}, {9, "Enter   : save playlist"}}},
        {"question de", kd1QuestionPage(Kd1Question::Overwrite, Language::German),
         {{9, "    Enter = JA / Cancel = NEIN"}}},
    };
    // clang-format on
    for (const Row& r : rows) {
        Kd1Decoder decoder;
        UnitScreen screen(decoder.surface());
        for (const QByteArray& c : r.commands)
            decoder.feed(c, screen);
        for (const auto& [row, start] : r.rows) {
            const QString want = QString::fromUtf8(start);
            EXPECT_EQ(screen.row(row - 1).left(want.size()), want)
                << r.name << "\n"
                << screen.rows().join(QLatin1Char('\n')).toStdString();
        }
    }
    EXPECT_EQ(kd1Time(3725, 1), QStringLiteral("62:05"));
    EXPECT_EQ(kd1Time(3725, 2), QStringLiteral("01:02:05"));
    EXPECT_EQ(kd1VolumeText(0), QStringLiteral("-99dB"));
    EXPECT_EQ(kd1VolumeText(100), QStringLiteral("0dB"));
}

TEST(Kd1Display, DrawsOnItsOwnPortForThePeer) {
    PtyPair pty;
    ASSERT_TRUE(QFileInfo::exists(pty.path("a"))) << "socat did not make the pty pair";
    auto serial = std::make_unique<Kd1SerialLink>();
    Kd1SerialLink* port = serial.get();
    Kd1Show rig(std::move(serial));
    rig.settings->setText(u"ComDevice2", pty.path("a"));
    UnitPeer peer(std::make_unique<Kd1Decoder>());
    ASSERT_TRUE(peer.open(pty.path("b"), 19200));
    ASSERT_TRUE(rig.display->open());
    EXPECT_TRUE(peer.waitForText(QStringLiteral("Kalvor Display KD-1")));
    rig.display->showPlaylist();
    EXPECT_TRUE(peer.waitForText(QStringLiteral("Preset 1/2  New Preset")));
    rig.press(38);
    EXPECT_TRUE(peer.waitForText(QStringLiteral("Loop            : ON")));
    peer.waitQuiet();
    peer.takeReceived();

    // CTS low: nothing is sent.
    port->setClearToSendSource([] { return false; });
    rig.press(48);
    peer.waitQuiet(300);
    EXPECT_TRUE(peer.takeReceived().isEmpty());
    port->setClearToSendSource({});

    // The line hangs up under the display: its read error closes the port once, with a
    // system message, and the keys that follow draw nothing and harm nothing.
    peer.close();
    pty.socat.kill();
    pty.socat.waitForFinished();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !port->isOpen(); }, 10000));
    EXPECT_EQ(SystemMessages::instance().entries().filter(u"KD-1: the port").size(), 1);
    rig.press(38);
    rig.press(33);
    rig.display->close();
}

TEST(Kd1Display, RefusesAPortItCannotUse) {
    struct Row {
        const char* name;
        int serialPort; // the RS-232 port open, 0 none
        bool opens;
        bool cts;
        Language language;
        const char* text;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"shared with RS-232", 2, true, true, Language::English,
         "The KD-1 display cannot use COM port 2: the RS-232 port (COM 2) is open on it."},
        {"no answer", 1, true, false, Language::English, "No Display connected at COM port 2"},
        {"no such port", 0, false, true, Language::German, "Kein Display angeschlossen an COM Port 2"},
    };
    // clang-format on
    for (const Row& r : rows) {
        UiLanguage::instance().set(r.language);
        Kd1Show rig;
        rig.serialPort = r.serialPort;
        rig.link->opens = r.opens;
        rig.link->cts = r.cts;
        EXPECT_FALSE(rig.display->open()) << r.name;
        EXPECT_FALSE(rig.display->enabled()) << r.name;
        EXPECT_EQ(rig.display->shownChannel(), -1) << r.name;
        EXPECT_TRUE(rig.link->written.isEmpty()) << r.name;
        ASSERT_EQ(rig.dialogs.messages().size(), 1) << r.name;
        EXPECT_EQ(rig.dialogs.messages().first().text, QString::fromUtf8(r.text)) << r.name;
        // Keys reach a display that is off without effect.
        rig.press(38);
        EXPECT_TRUE(rig.link->written.isEmpty()) << r.name;
    }
    UiLanguage::instance().set(Language::English);
}

// The keypad's function keys in the order an operator presses them, with the page they
// lead to, a text it shows, and what happened to the show.
TEST(Kd1Display, FunctionKeysDriveThePages) {
    Kd1Show rig;
    ASSERT_TRUE(rig.display->open());
    rig.display->showPlaylist();
    using P = Kd1Display::Page;
    struct Step {
        int key; // 0: a notice instead of a key
        P page;
        const char* shows;
        std::function<bool(Kd1Show&)> check;
    };
    const QString saved = rig.folder + QStringLiteral("/New Playlist.kal");
    const auto safety = [](const char* on) {
        return [on](Kd1Show& r) {
            r.settings->setText(u"DO500SafetyMode", QLatin1String(on));
            return true;
        };
    };
    // clang-format off
    const std::vector<Step> steps = {
        {38, P::Options1, "Loop            : ON", {}},
        {24, P::Options2, "Options for channel 1 (Page 2)", {}},
        {16, P::Options2, "Options for channel 2 (Page 2)", {}},
        {15, P::Options2, "Options for channel 1", {}},
        {23, P::Options1, "Restart         : - ", {}},
        {33, P::PresetSelect, "Select Preset", {}},
        {36, P::PresetSelect, "  2 New Preset", {}},
        {46, P::Main, "Preset 2/2", [](Kd1Show& r) { return r.store.presets().current() == 1; }},
        {37, P::SoundSelect, "Sound selection for channel 1", {}},
        {36, P::SoundSelect, "  2 Wind", {}},
        {54, P::Preview, "Soundname  : Wind", {}},
        {23, P::SoundSelect, "  1 Thunder", {}},
        {35, P::SoundSelect, "  1 Thunder", {}},
        {54, P::Preview, "Duration   : 00:00:03", {}},
        {47, P::Main, "Preset 2/2", {}},
        {43, P::TextEntry, "New Playlist", {}},
        {46, P::Notice, "Saving Playlist...", [&](Kd1Show&) { return QFileInfo::exists(saved); }},
        {43, P::TextEntry, "Enter   : save playlist", {}},
        {46, P::Question, "already exists! Would you like", {}},
        {47, P::Main, "Preset 2/2", {}},
        {41, P::TextEntry, "Rename Preset", {}},
        {32, P::TextEntry, "New Preset0", {}},
        {46, P::Main, "New Preset0", [](Kd1Show& r) { return r.store.presets().names().at(1) == u"New Preset0"; }},
        {42, P::Question, "the selected preset?", {}},
        {47, P::Main, "Preset 2/2", [](Kd1Show& r) { return r.store.presets().count() == 2; }},
        {44, P::Question, "this sound from the list?", {}},
        {46, P::Main, "", [](Kd1Show& r) { return r.store.soundList(0).size() == 1; }},
        // Without safety mode a removal key acts at once.
        {-1, P::Main, "", safety("0")},
        {44, P::Main, "Preset 2/2", [](Kd1Show& r) { return r.store.soundList(0).isEmpty(); }},
        {-1, P::Main, "", safety("1")},
        {0, P::Notice, "Logging = OFF", {}},
        {48, P::Main, "Next: ", {}},
        {9, P::Main, "Preset 2/2", [](Kd1Show& r) { return r.settings->text(u"DO500Size") == u"1"; }},
        {45, P::Question, "all presets and sounds?", {}},
        {46, P::Main, "Preset -/1", [](Kd1Show& r) { return r.store.presets().count() == 1; }},
    };
    // clang-format on
    for (const Step& s : steps) {
        if (s.key == 0)
            rig.display->showNotice(QStringLiteral("Logging = OFF"));
        else if (s.key > 0)
            rig.press(s.key);
        EXPECT_EQ(rig.display->page(), s.page) << "key " << s.key;
        EXPECT_TRUE(rig.link->screen.contains(QString::fromUtf8(s.shows)))
            << "key " << s.key << " wants \"" << s.shows << "\"\n"
            << rig.screen().toStdString();
        EXPECT_TRUE(!s.check || s.check(rig)) << "key " << s.key;
    }
}

// A channel the keypad plays shows on the main page; the option pages follow the
// keypad's channel.
TEST(Kd1Display, FollowsTheChannelsTheKeypadPlays) {
    Kd1Show rig;
    ASSERT_TRUE(rig.display->open());
    rig.display->showPlaylist();
    EXPECT_TRUE(rig.link->screen.contains(QStringLiteral("No channel playing")));
    rig.show->playback().PressPlay(0);
    rig.display->channelChanged(0);
    EXPECT_TRUE(rig.link->screen.contains(QStringLiteral(" 1 >  Thunder")))
        << rig.screen().toStdString();
    rig.press(38);
    rig.display->channelChanged(5);
    EXPECT_EQ(rig.display->shownChannel(), 5);
    EXPECT_TRUE(rig.link->screen.contains(QStringLiteral("Options for channel 6 (Page 1)")));
    rig.show->channelOps().SetMode(5, PlayMode::Autostart, true);
    EXPECT_TRUE(rig.link->screen.contains(QStringLiteral("Autostart  : ON")))
        << rig.screen().toStdString();
}

// Pictures of the main page, the channel option page and the preset selection as the
// peer renders them, when KALVOR_SHOTS_DIR names a folder.
TEST(Screenshots, Kd1) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALVOR_SHOTS_DIR not set";
    Kd1Show rig;
    rig.store.presets().rename(0, QStringLiteral("Act 1: Storm"));
    rig.store.presets().rename(1, QStringLiteral("Act 1: Calm"));
    rig.settings->setText(u"DO500Progressbar", QStringLiteral("1"));
    ASSERT_TRUE(rig.display->open());
    rig.show->playback().PressPlay(0);
    rig.display->showPlaylist();
    const std::vector<std::pair<int, const char*>> shots = {{48, "kd1-main-page.png"},
                                                            {38, "kd1-channel-options.png"},
                                                            {33, "kd1-preset-selection.png"}};
    for (const auto& [key, file] : shots) {
        rig.press(key);
        EXPECT_TRUE(saveUnitScreenPng(rig.link->screen,
                                      dir + QLatin1Char('/') + QString::fromLatin1(file)));
    }
}

// The large keypad and the display together: function keys of a scripted 128-key keypad
// open the display's pages, and what the keypad changes shows on them.
TEST(Kd1Display, TheLargeKeypadDrivesIt) {
    Kd1Show rig;
    ASSERT_TRUE(rig.display->open());
    rig.display->showPlaylist();
    FakeKeypad::State pad;
    pad.listed = {{0x0306, 0x0C, "/dev/hidraw0"}};
    XkeysControl keypad(*rig.show, *rig.settings, std::make_unique<FakeKeypad>(pad),
                        rig.display.get());
    ASSERT_TRUE(keypad.open());
    const auto stroke = [&](int function) {
        pad.queued.push_back(k128Report({}, {function}));
        pad.queued.push_back(k128Report({}));
        keypad.poll();
    };
    struct Step {
        int key;
        Kd1Display::Page page;
        const char* shows;
    };
    const std::vector<Step> steps = {
        {38, Kd1Display::Page::Options1, "Options for channel 1 (Page 1)"},
        {25, Kd1Display::Page::Options1, "Restart         : ON"}, // the keypad toggles
        {48, Kd1Display::Page::Main, "Preset 1/2"},
        {50, Kd1Display::Page::Main, "Preset 2/2"},           // the keypad's Next Preset
        {34, Kd1Display::Page::PresetList, "  3 New Preset"}, // the keypad stores
    };
    for (const Step& s : steps) {
        stroke(s.key);
        EXPECT_EQ(rig.display->page(), s.page) << "key " << s.key;
        EXPECT_TRUE(rig.link->screen.contains(QString::fromUtf8(s.shows)))
            << "key " << s.key << " wants \"" << s.shows << "\"\n"
            << rig.screen().toStdString();
    }
}

TEST(Kd1Display, APortThatComesBackIsTakenUpAgainWithItsPage) {
    Kd1Show rig;
    ASSERT_TRUE(rig.display->open());
    rig.display->showPlaylist();
    ASSERT_TRUE(rig.screen().contains(QStringLiteral("Preset 1/2")));
    // The adapter pulled out and plugged in again: the link lost its port, and the
    // unit came back blank.
    rig.link->isOpen_ = false;
    rig.link->screen.clear();
    SystemMessages::instance().clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.link->isOpen_; }, 5000));
    EXPECT_TRUE(rig.screen().contains(QStringLiteral("Preset 1/2"))) << qPrintable(rig.screen());
    EXPECT_FALSE(SystemMessages::instance().entries().filter(u"KD-1: the port").isEmpty());
    rig.display->close();
}

// "empty" is the name of a free slot: a preset renamed so would be left out of the saved
// show, and every later preset would move up one place.
TEST(Kd1Display, RenameRefusesTheFreeSlotName) {
    Kd1Show rig;
    ASSERT_TRUE(rig.display->open());
    rig.store.presets().rename(rig.store.presets().current(), QStringLiteral("emptz"));
    const QString before = rig.store.presets().names().at(rig.store.presets().current());
    for (int key : {41, 23, 31})
        rig.press(key);
    ASSERT_TRUE(rig.screen().contains(QStringLiteral("empty"))) << qPrintable(rig.screen());
    rig.press(46);
    EXPECT_EQ(rig.store.presets().names().at(rig.store.presets().current()), before);
    EXPECT_EQ(rig.display->page(), Kd1Display::Page::Notice);
    rig.display->close();
}

// A preset recalled while the operator types a new name (a GO from the desk, a cue): the
// name goes to the preset it was begun for, not to the one recalled meanwhile.
TEST(Kd1Display, RenameNamesThePresetItWasBegunFor) {
    Kd1Show rig;
    ASSERT_TRUE(rig.display->open());
    rig.store.presets().rename(0, QStringLiteral("Storm"));
    rig.store.presets().rename(1, QStringLiteral("Calm"));
    ASSERT_EQ(rig.store.presets().current(), 0);
    for (int key : {41, 32}) // rename, one character more
        rig.press(key);
    rig.show->recall().SelectPreset(1);
    ASSERT_EQ(rig.display->page(), Kd1Display::Page::TextEntry);
    rig.press(46);
    EXPECT_EQ(rig.store.presets().names().at(0).trimmed().toStdString(), "Storm0");
    EXPECT_EQ(rig.store.presets().names().at(1).trimmed().toStdString(), "Calm");
    rig.display->close();
}

// The display is written straight to its port: a fader drawn on the main window must not
// send the main page, which shows no level, once per step; the option page with the
// level follows it.
TEST(Kd1Display, AFaderRedrawsOnlyAPageThatShowsTheLevel) {
    for (const bool options : {false, true}) {
        Kd1Show rig;
        ASSERT_TRUE(rig.display->open());
        rig.display->showPlaylist();
        if (options) {
            rig.press(38); // channel options, page 1, then page 2 with the level
            rig.press(38);
            ASSERT_EQ(rig.display->page(), Kd1Display::Page::Options2);
        }
        rig.link->written.clear();
        for (int v = 99; v >= 50; --v)
            rig.show->channelOps().SetVolume(0, v);
        EXPECT_EQ(!rig.link->written.isEmpty(), options);
        rig.display->close();
    }
}
