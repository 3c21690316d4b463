// The keyboard as the operator uses it: real key events into a window with the hotkey
// controller installed, played on the offline device, judged by what the channels do. A key
// held a little too long repeats its press: a key that recalls a preset, switches something
// over or opens a window acts once per press.
#include "mainwindow/Hotkeys.h"
#include "core/Settings.h"
#include "mainwindow/ui/HotkeyController.h"
#include "support/ShowRig.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

// A stand-in for the main window: a focused list where keys land that are not consumed.
class KeyCountingList : public QListWidget {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        ++keys;
        e->accept();
    }
};

struct Keyboard : ::testing::Test {
    ShowRig rig;
    QWidget window;
    KeyCountingList* list = new KeyCountingList;
    std::int64_t now = 1'000'000;
    int page = 0;
    bool playlistMoves = true;
    QStringList calls;
    std::unique_ptr<HotkeyController> controller;

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(list);
        // Each hook notes its name and argument in `calls`.
        const auto note = [this](const char* what) {
            return [this, what](auto... arg) {
                calls << (QString::fromLatin1(what) + ... +
                          (QLatin1Char(' ') + QString::number(arg)));
                return playlistMoves;
            };
        };
        HotkeyHooks hooks;
        hooks.currentPage = [this] {
            return page;
        };
        hooks.focusPresetList = note("presets");
        hooks.focusSoundList = note("list");
        hooks.focusNextButton = note("next button");
        hooks.focusPreviousButton = note("previous button");
        hooks.showSystemMessages = note("messages");
        hooks.openBlackScreen = note("black");
        hooks.playlistStep = note("playlist");
        controller = std::make_unique<HotkeyController>(*rig.show, *rig.settings, &window, hooks);
        // The decoder's clock is ours, so two-key entries can be timed exactly.
        controller->decoder().setClock([this] { return now; });
        qApp->installEventFilter(controller.get());
        window.show();
        QApplication::setActiveWindow(&window);
        list->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override { qApp->removeEventFilter(controller.get()); }

    // Every channel gets a tone; `names` gives channel `ch` a list of its own.
    void loadAll() {
        const QString tone = rig.tone(QStringLiteral("tone"), 2.0);
        for (int ch = 0; ch < kChannelCount; ++ch)
            rig.loadChannel(ch, {tone});
    }
    void send(QEvent::Type type, int key, Qt::KeyboardModifiers mods = {}, bool repeat = false,
              quint32 scanCode = 0, quint32 keysym = 0, const QString& text = {}) {
        QKeyEvent e(type, key, mods, scanCode, keysym, 0, text, repeat);
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QApplication::sendEvent(target, &e);
    }
    void press(int key, Qt::KeyboardModifiers mods = {}, bool repeat = false) {
        send(QEvent::KeyPress, key, mods, repeat);
    }
    void release(int key, Qt::KeyboardModifiers mods = {}, bool repeat = false) {
        send(QEvent::KeyRelease, key, mods, repeat);
    }
    void tap(int key, Qt::KeyboardModifiers mods = {}) {
        press(key, mods);
        release(key, mods);
    }
    std::vector<int> playing() const {
        std::vector<int> p;
        for (int ch = 0; ch < kChannelCount; ++ch)
            if (KAE__Channel_IsPlaying(ch))
                p.push_back(ch);
        return p;
    }
};

} // namespace

TEST(KeyMapping, QtKeysBecomeTheTablesCodes) {
    struct Case {
        const char* label;
        RawKey raw;
        KeyStroke expected;
    };
    const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
    const Case cases[] = {
        {"Shift+Ctrl+F8", {Qt::Key_F8, Qt::ShiftModifier | Qt::ControlModifier}, {119, 3}},
        {"Alt+F12", {Qt::Key_F12, Qt::AltModifier}, {123, 4}},
        {"keypad 7, keypad flag not a modifier bit", {Qt::Key_7, keypad}, {103, 0}},
        {"Enter on the keypad is Return", {Qt::Key_Enter, keypad}, {13, 0}},
        {"'=' of a US layout is the '+' key", {Qt::Key_Equal, {}}, {187, 0}},
        {"'+' typed with Shift", {Qt::Key_Plus, Qt::ShiftModifier}, {187, 1}},
        {"keypad +", {Qt::Key_Plus, keypad}, {107, 0}},
        {"Shift with the '+' key of a German layout types '*'",
         {Qt::Key_Asterisk, Qt::ShiftModifier, 35, 0x2a},
         {187, 1}},
        {"keypad '*' is no '+'", {Qt::Key_Asterisk, keypad, 63, 0xffaa}, {0, 0}},
        {"Shift+8 of a US layout stays the digit",
         {Qt::Key_Asterisk, Qt::ShiftModifier, 17, 0x2a},
         {56, 1}},
        {"'<' key of a European keyboard", {Qt::Key_Less, {}, 94, 0x3c}, {226, 0}},
        {"'<' from Shift+comma is not that key",
         {Qt::Key_Less, Qt::ShiftModifier, 59, 0x3c},
         {0, 1}},
        {"a key outside the tables", {Qt::Key_Tab, {}}, {0, 0}},
        // The digit row by its place: Shift+1 types "!", and French layouts type "&" for 1
        // without Shift.
        {"Shift+1 types '!'", {Qt::Key_Exclam, Qt::ShiftModifier, 10, 0x21}, {49, 1}},
        {"'&' on the 1 key of an AZERTY layout", {Qt::Key_Ampersand, {}, 10, 0x26}, {49, 0}},
        {"keypad 1 keeps its own code", {Qt::Key_1, keypad, 87, 0xffb1}, {97, 0}},
    };
    for (const Case& c : cases) {
        const KeyStroke got = toKeyStroke(c.raw);
        EXPECT_EQ(std::pair(got.key, got.modifiers),
                  std::pair(c.expected.key, c.expected.modifiers))
            << c.label;
    }
}

TEST_F(Keyboard, FunctionKeysPlayTheirChannelAndSelectIt) {
    loadAll();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int channel; // -1: the key plays nothing
    };
    const auto alt = Qt::AltModifier;
    const Case cases[] = {
        {Qt::Key_F1, {}, 0},
        {Qt::Key_F3, alt, 2},
        {Qt::Key_F8, Qt::ShiftModifier, 15},
        {Qt::Key_F2, Qt::ShiftModifier | alt, 1}, // Alt and Shift+Alt count as no modifier
        {Qt::Key_F4, Qt::ControlModifier, 19},
        {Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier, 24},
        {Qt::Key_F8, Qt::ShiftModifier | Qt::ControlModifier, 31},
        {Qt::Key_F1, Qt::ControlModifier | alt, -1},
        {Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier | alt, -1},
    };
    for (const Case& c : cases) {
        rig.store.selectChannel(7);
        tap(c.key, c.mods);
        EXPECT_EQ(playing(), c.channel < 0 ? std::vector<int>{} : std::vector<int>{c.channel})
            << "channel " << c.channel + 1;
        EXPECT_EQ(rig.store.selectedChannel(), c.channel < 0 ? 7 : c.channel);
        if (c.channel >= 0)
            rig.show->playback().StopAndRewind(c.channel);
    }
    EXPECT_EQ(list->keys, 0) << "F-keys never reach the focused control";
}

TEST_F(Keyboard, HeldKeyPlaysOnceAndItsReleaseEndsAHoldModeChannel) {
    loadAll();
    rig.store.controls(2).holdMode = 1;
    press(Qt::Key_F3);
    for (int i = 0; i < 5; ++i) {
        // What a held key sends: release and press again, both marked as repeats.
        release(Qt::Key_F3, {}, true);
        press(Qt::Key_F3, {}, true);
    }
    EXPECT_EQ(playing(), std::vector<int>{2}) << "a second press would have stopped it";
    EXPECT_TRUE(controller->decoder().keyHeld(2));
    release(Qt::Key_F3);
    EXPECT_TRUE(playing().empty()) << "hold mode ends the sound when the key comes up";
    EXPECT_FALSE(controller->decoder().keyHeld(2));

    // Shift let go before F1: the release still belongs to channel 9.
    rig.store.controls(8).holdMode = 1;
    press(Qt::Key_F1, Qt::ShiftModifier);
    release(Qt::Key_F1);
    EXPECT_TRUE(playing().empty());
    press(Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(playing(), std::vector<int>{8}) << "the key is free to play again";
}

TEST_F(Keyboard, OtherPagesKeepAllButThePlayKeysAndCtrl) {
    loadAll();
    rig.show->presets().NewPreset();
    rig.show->presets().NewPreset();
    rig.store.presets().setSelected(1);
    page = 4;
    tap(Qt::Key_Return);
    EXPECT_EQ(rig.store.presets().current(), -1) << "Return recalled nothing";
    EXPECT_EQ(list->keys, 1) << "and went on to the page's control";
    tap(Qt::Key_F5);
    EXPECT_EQ(playing(), std::vector<int>{4});
    tap(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(calls, QStringList{QStringLiteral("messages")});

    page = 0;
    tap(Qt::Key_Return);
    EXPECT_EQ(rig.store.presets().current(), 1);
}

TEST_F(Keyboard, TwoKeypadDigitsWithinTwoSecondsSelectAChannel) {
    struct Case {
        const char* label;
        Qt::Key first, second;
        int gapMs;
        int selected; // -1: the selection stays
    };
    const Case cases[] = {
        {"1 then 5 at once", Qt::Key_1, Qt::Key_5, 0, 14},
        {"1 then 5 after 1.9 s", Qt::Key_1, Qt::Key_5, 1900, 14},
        {"0 then 7", Qt::Key_0, Qt::Key_7, 500, 6},
        {"3 then 2", Qt::Key_3, Qt::Key_2, 500, 31},
        {"4 then 5 is no channel", Qt::Key_4, Qt::Key_5, 500, -1},
        {"0 then 0 is no channel", Qt::Key_0, Qt::Key_0, 500, -1},
        {"1 then 5, 3 s apart", Qt::Key_1, Qt::Key_5, 3000, -1},
    };
    const auto keypadCtrl = Qt::ControlModifier | Qt::KeypadModifier;
    for (const Case& c : cases) {
        controller->decoder().setClock([this] { return now; });
        rig.store.selectChannel(0);
        calls.clear();
        tap(c.first, keypadCtrl);
        now += c.gapMs;
        tap(c.second, keypadCtrl);
        EXPECT_EQ(rig.store.selectedChannel(), c.selected < 0 ? 0 : c.selected) << c.label;
        if (c.selected >= 0) {
            EXPECT_EQ(calls, QStringList{QStringLiteral("list %1").arg(c.selected)}) << c.label;
        }
        EXPECT_EQ(list->keys, 0) << c.label;
    }
    // A late digit starts a new entry: "9", then "1" 3 s later and "2" in time make 12.
    tap(Qt::Key_9, keypadCtrl);
    now += 3000;
    tap(Qt::Key_1, keypadCtrl);
    now += 1000;
    tap(Qt::Key_2, keypadCtrl);
    EXPECT_EQ(rig.store.selectedChannel(), 11);
}

TEST_F(Keyboard, PlainDigitsSelectChannelsAndZeroGoesToThePresets) {
    const std::pair<Qt::KeyboardModifiers, const char*> kinds[] = {{{}, "digit"},
                                                                   {Qt::KeypadModifier, "keypad"}};
    for (const auto& [mods, label] : kinds) {
        calls.clear();
        tap(Qt::Key_7, mods);
        EXPECT_EQ(rig.store.selectedChannel(), 6) << label;
        tap(Qt::Key_0, mods);
        EXPECT_EQ(calls, (QStringList{QStringLiteral("list 6"), QStringLiteral("presets")}))
            << label;
    }
    // Shift+3 types "#" (or "§" on German keyboards): the key still selects channel 3.
    send(QEvent::KeyPress, Qt::Key_NumberSign, Qt::ShiftModifier, false, 12, 0x23,
         QStringLiteral("#"));
    EXPECT_EQ(rig.store.selectedChannel(), 2);
    EXPECT_EQ(list->keys, 0);
}

TEST_F(Keyboard, ALetterSelectsTheFirstSoundStartingWithIt) {
    const QStringList files{
        rig.tone(QStringLiteral("5 Seconds"), 0.2), rig.tone(QStringLiteral("Alarm"), 0.2),
        rig.tone(QStringLiteral("siren"), 0.2), rig.tone(QStringLiteral("Storm"), 0.2)};
    rig.loadChannel(3, files, 1);
    rig.store.selectChannel(3);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int current;
        bool reachesList;
    };
    const Case cases[] = {
        {Qt::Key_S, {}, 2, false},                 // "siren" before "Storm", any case
        {Qt::Key_A, Qt::ShiftModifier, 1, false},  // Shift makes no difference
        {Qt::Key_Z, {}, 1, true},                  // no match: nothing changes
        {Qt::Key_S, Qt::ControlModifier, 1, true}, // Ctrl+S is no hotkey
    };
    for (const Case& c : cases) {
        const int before = list->keys;
        tap(c.key, c.mods);
        EXPECT_EQ(rig.store.controls(3).selectedSound, c.current) << char(c.key);
        EXPECT_EQ(list->keys - before, c.reachesList ? 1 : 0) << char(c.key);
    }
    EXPECT_TRUE(rig.store.channel(3).fileName.endsWith(QStringLiteral("Alarm.wav")))
        << "the chosen sound was loaded";
}

TEST_F(Keyboard, EscapeAndCtrlAltRangesStopAndRewind) {
    loadAll();
    tap(Qt::Key_Escape); // nothing playing: still fine
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int first, last;
    };
    const auto ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const Case cases[] = {
        {Qt::Key_I, ctrlAlt, 0, 7},   {Qt::Key_J, ctrlAlt, 8, 15}, {Qt::Key_K, ctrlAlt, 16, 23},
        {Qt::Key_L, ctrlAlt, 24, 31}, {Qt::Key_M, ctrlAlt, 0, 31}, {Qt::Key_Escape, {}, 0, 31},
    };
    for (const Case& c : cases) {
        for (int ch = 0; ch < kChannelCount; ++ch)
            rig.show->playback().PressPlay(ch);
        rig.renderMs(50);
        tap(c.key, c.mods);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const bool stopped = ch >= c.first && ch <= c.last;
            EXPECT_EQ(KAE__Channel_IsPlaying(ch), !stopped) << "channel " << ch + 1;
            if (stopped) {
                EXPECT_EQ(KAE__Channel_GetPosition(ch), 0) << "channel " << ch + 1;
            }
        }
        rig.show->playback().stopAllForRecall();
    }
    EXPECT_EQ(list->keys, 0);
}

TEST_F(Keyboard, PlusAndMinusStepThroughThePresets) {
    for (int i = 0; i < 3; ++i)
        rig.show->presets().NewPreset();
    rig.store.presets().setSelected(0);
    rig.show->recall().RecallPreset();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int preset;
        const char* focus;
        bool storesFirst; // the preset left keeps the live channel settings
    };
    const Case cases[] = {
        {Qt::Key_Plus, {}, 1, "next button", true},
        {Qt::Key_Plus, Qt::KeypadModifier, 2, "next button", true},
        {Qt::Key_Plus, {}, 2, "next button", false}, // no next one
        {Qt::Key_Minus, Qt::KeypadModifier, 1, "previous button", true},
        {Qt::Key_Minus, Qt::ControlModifier, 0, "previous button", true},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, 1, "next button", true},
        {Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, 2, nullptr, false},
        {Qt::Key_B, Qt::ControlModifier | Qt::AltModifier, 1, nullptr, false},
    };
    int level = 10;
    for (const Case& c : cases) {
        calls.clear();
        const int left = rig.store.presets().current();
        const int before = rig.store.presets().slot(left).channels[0].volume;
        rig.store.channel(0).volume = ++level;
        tap(c.key, c.mods);
        EXPECT_EQ(rig.store.presets().current(), c.preset) << c.preset;
        EXPECT_EQ(calls, c.focus ? QStringList{QString::fromLatin1(c.focus)} : QStringList{});
        EXPECT_EQ(rig.store.presets().slot(left).channels[0].volume, c.storesFirst ? level : before)
            << "preset " << left + 1 << " left by key " << c.key << " mods " << c.mods;
    }
    EXPECT_EQ(list->keys, 0);
}

TEST_F(Keyboard, TheLessKeyOpensTheBlackScreenOnTheSelectedChannelsPage) {
    rig.store.selectChannel(9); // which key types '<' is the key mapping's
    send(QEvent::KeyPress, Qt::Key_Less, {}, false, 94, 0x3c, QStringLiteral("<"));
    rig.store.selectChannel(31);
    send(QEvent::KeyPress, Qt::Key_Greater, Qt::ShiftModifier, false, 94, 0x3e,
         QStringLiteral(">"));
    EXPECT_EQ(calls, (QStringList{QStringLiteral("black 2"), QStringLiteral("black 4")}));
}

TEST_F(Keyboard, PageKeysAreConsumedOnlyWhenThePlaylistMoved) {
    tap(Qt::Key_PageDown);
    playlistMoves = false;
    tap(Qt::Key_PageUp);
    tap(Qt::Key_F10);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("playlist 1"), QStringLiteral("playlist -1")}));
    EXPECT_EQ(list->keys, 1) << "only the Page Up that did nothing";
}

TEST_F(Keyboard, KeysTypedIntoADialogFireNothing) {
    loadAll();
    QDialog dialog(&window);
    auto* edit = new QLineEdit(&dialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    tap(Qt::Key_F1);
    tap(Qt::Key_Plus);
    QTest::keyClicks(edit, QStringLiteral("7S"));
    EXPECT_TRUE(playing().empty());
    EXPECT_EQ(rig.store.selectedChannel(), -1);
    EXPECT_EQ(edit->text(), QStringLiteral("7S"));
}

TEST_F(Keyboard, CtrlOCapturesAndCtrlRResetsTheSelectedChannelsOffset) {
    int opened = 0;
    auto* open = new QAction(&window);
    open->setShortcut(QKeySequence::Open);
    QObject::connect(open, &QAction::triggered, [&] { ++opened; });
    window.addAction(open);
    // An 8-second sound: an offset may go up to 3 seconds, five before the end.
    rig.loadChannel(2, {rig.tone(QStringLiteral("long"), 8.0)});
    struct Case {
        const char* what;
        int renderMs; // played before the key
        Qt::Key key;
        int selected;
        std::int32_t offset; // channel 3's offset afterwards
    };
    const Case cases[] = {
        {"capture at 1 s", 1000, Qt::Key_O, 2, kRate},
        {"reset", 0, Qt::Key_R, 2, 0},
        {"capture at 4.5 s stops 5 s before the end", 4500, Qt::Key_O, 2, 3 * kRate},
        {"another channel without a sound keeps channel 3's", 0, Qt::Key_R, 5, 3 * kRate},
        {"reset again", 0, Qt::Key_R, 2, 0},
    };
    rig.show->playback().PressPlay(2);
    for (const Case& c : cases) {
        rig.renderMs(c.renderMs);
        rig.store.selectChannel(c.selected);
        tap(c.key, Qt::ControlModifier);
        EXPECT_EQ(rig.store.assignments(2).startOffset, c.offset) << c.what;
        EXPECT_EQ(rig.store.assignments(5).startOffset, 0) << c.what;
        // The reset jumps back to the start ("JumpToOffsets" on), so the next capture
        // counts from there.
        if (c.key == Qt::Key_R && c.selected == 2) {
            EXPECT_EQ(KAE__Channel_GetPositionInSamples(2), 0) << c.what;
        }
    }
    EXPECT_EQ(list->keys, 0) << "both keys are consumed";
    // Through the shortcut map, where Ctrl+O is also the menu's Open: the hotkey wins.
    rig.renderMs(500);
    QTest::keyClick(list, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.store.assignments(2).startOffset, kRate / 2);
    EXPECT_EQ(opened, 0);
}

TEST(HotkeyRepeat, RepeatedPressesOfOneShotKeysDoNothingMore) {
    const int ctrl = keymod::Ctrl, ctrlAlt = keymod::Ctrl | keymod::Alt;
    const struct {
        const char* label;
        KeyStroke stroke;
    } cases[] = {
        {"Return recalls once", {vk::Return, 0}},
        {"'+' steps to the next preset once", {vk::Plus, 0}},
        {"keypad '-' steps back once", {vk::KeypadMinus, 0}},
        {"Ctrl+Alt+B steps back once", {vk::A + ('B' - 'A'), ctrlAlt}},
        {"Ctrl+L switches the logging once", {vk::A + ('L' - 'A'), ctrl}},
        {"Ctrl+Alt+P shows the touch view once", {vk::A + ('P' - 'A'), ctrlAlt}},
        {"'<' opens the black screen once", {vk::Less, 0}},
        {"Page Down loads the next playlist once", {vk::PageDown, 0}},
    };
    for (const auto& c : cases) {
        ShowRig rig;
        rig.addPresets(12);
        rig.store.presets().setSelected(6);
        int acted = 0;
        const auto count = [&acted](auto...) {
            ++acted;
            return true;
        };
        HotkeyHooks hooks;
        hooks.toggleTouchscreen = count;
        hooks.openBlackScreen = count;
        hooks.loggingToggled = count;
        hooks.playlistStep = count;
        QObject::connect(&rig.show->recall(), &PresetRecall::recallFinished, count);
        HotkeyDecoder keys(*rig.show, *rig.settings, hooks);
        keys.keyDown(c.stroke);
        EXPECT_EQ(acted, 1) << c.label;
        for (int i = 0; i < 3; ++i)
            keys.keyDown(c.stroke, true);
        EXPECT_EQ(acted, 1) << c.label;
    }
}

TEST(HotkeyRepeat, AHeldKeypadDigitIsNoTwoKeyEntry) {
    ShowRig rig;
    rig.store.selectChannel(0);
    HotkeyDecoder keys(*rig.show, *rig.settings, {});
    const KeyStroke one{vk::Keypad0 + 1, keymod::Ctrl};
    keys.keyDown(one);
    keys.keyDown(one, true);
    EXPECT_EQ(rig.store.selectedChannel(), 0) << "held keypad 1 is not 1 then 1 (channel 11)";
    keys.keyDown({vk::Keypad0 + 2, keymod::Ctrl});
    EXPECT_EQ(rig.store.selectedChannel(), 11) << "the next digit completes the entry";
}
