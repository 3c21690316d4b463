// The black-screen view: its keys on the show, the guard against key repeat, what it
// passes on, a channel selected elsewhere, and pictures of the view for looking at it in
// a dark booth.
#include "control/BlackScreenControl.h"
#include "control/ui/BlackScreenView.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "support/ShowRig.h"

#include <QDir>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct BlackRig {
    BlackRig() : control(*rig.show) {
        const QString sound = rig.ramp(QStringLiteral("Storm - Thunder Roll"), 5.0);
        const QString rain = rig.ramp(QStringLiteral("Rain"), 5.0);
        // The channels the cases reach; loading all 32 would only make the test slow.
        for (int ch : {0, 9, 10, 11, 13, 31})
            rig.loadChannel(ch, {sound, rain});
    }
    void down(int key, bool repeat = false) { control.keyDown(key, repeat); }
    void up(int key, bool repeat = false) { control.keyUp(key, repeat); }
    void press(int key) {
        down(key);
        up(key);
    }
    ShowRig rig;
    BlackScreenControl control;
};

} // namespace

TEST(BlackScreen, FunctionKeysPlayTheBanksChannelOncePerPress) {
    const struct {
        const char* label;
        int bank;
        int key;
        int repeats; // presses of the held key before its release
        int channel;
        bool playingAfter;
    } cases[] = {
        {"bank 2, F3 starts channel 11", 2, Qt::Key_F3, 0, 10, true},
        {"holding F3 does not press again", 2, Qt::Key_F3, 5, 10, true},
        {"bank 4, F8 starts channel 32", 4, Qt::Key_F8, 0, 31, true},
        {"bank 1, F1 starts channel 1", 1, Qt::Key_F1, 2, 0, true},
    };
    for (const auto& c : cases) {
        BlackRig r;
        r.control.open(c.bank);
        r.down(c.key);
        r.rig.renderMs(50);
        for (int i = 0; i < c.repeats; ++i) {
            // Keyboards report a held key as repeated presses, some without the flag.
            r.down(c.key, i % 2 == 0);
            r.rig.renderMs(50);
        }
        EXPECT_EQ(KAE__Channel_IsPlaying(c.channel), c.playingAfter) << c.label;
        for (int ch = 0; ch < 32; ++ch)
            EXPECT_TRUE(ch == c.channel || !KAE__Channel_IsPlaying(ch))
                << c.label << " channel " << ch + 1;
        // The sound went on from where it was: never restarted by the held key.
        EXPECT_FALSE(r.rig.renderMs(20).silent()) << c.label;
        r.up(c.key);
        EXPECT_EQ(r.control.selectedChannel(), c.channel) << c.label;
    }
}

TEST(BlackScreen, SecondKeyModeStopsAndArrowsMoveTheSelection) {
    BlackRig r;
    r.control.open(2);
    r.press(Qt::Key_F3);
    ASSERT_TRUE(KAE__Channel_IsPlaying(10));
    r.down(Qt::Key_Tab);
    EXPECT_TRUE(r.control.stopMode());
    r.press(Qt::Key_F3);
    EXPECT_FALSE(KAE__Channel_IsPlaying(10)) << "a playing channel is stopped";
    EXPECT_EQ(r.rig.show->playback().buttonColour(10), ButtonColour::Off);
    r.press(Qt::Key_F3);
    EXPECT_TRUE(KAE__Channel_IsPlaying(10)) << "a stopped channel plays in both modes";

    const struct {
        int key;
        int selected;
        int bank;
        int sound; // selected sound of the selected channel
    } steps[] = {{Qt::Key_Down, 10, 2, 1},
                 {Qt::Key_Down, 10, 2, 1},
                 {Qt::Key_Up, 10, 2, 0},
                 {Qt::Key_Right, 11, 2, 0},
                 {Qt::Key_Left, 10, 2, 0}};
    for (const auto& s : steps) {
        r.down(s.key);
        EXPECT_EQ(r.control.selectedChannel(), s.selected);
        EXPECT_EQ(r.control.bank(), s.bank);
        EXPECT_EQ(r.rig.store.controls(s.selected).selectedSound, s.sound);
    }
    r.control.SelectChannel(15);
    r.down(Qt::Key_Right);
    EXPECT_EQ(r.control.bank(), 3) << "leaving the bank shows the next one";
    r.control.SelectChannel(0);
    r.down(Qt::Key_Left);
    EXPECT_EQ(r.control.selectedChannel(), 31);
    EXPECT_EQ(r.control.bank(), 4);
}

TEST(BlackScreen, LinesShowGroupsKeysAndSounds) {
    BlackRig r;
    r.rig.store.controls(10).playGroup = QStringLiteral("1");
    r.rig.store.controls(10).stopGroup = QStringLiteral("---");
    r.control.open(2);
    const auto lines = r.control.DrawChannels();
    EXPECT_EQ(lines[2].heading, QStringLiteral("11 (F3) 1P:-S"));
    EXPECT_EQ(lines[2].soundName, QStringLiteral("Storm - Thunder Roll"));
    EXPECT_EQ(lines[2].length, QStringLiteral("00:00:05"));
    EXPECT_TRUE(lines[4].soundName.isEmpty());
}

TEST(BlackScreen, ViewPassesOtherKeysOnAndBackspaceLeaves) {
    BlackRig r;
    BlackScreenView view(*r.rig.show);
    QList<int> passed;
    bool left = false;
    view.passKey = [&](QKeyEvent* e) {
        if (e->type() == QEvent::KeyPress)
            passed << e->key();
        return true;
    };
    view.left = [&] {
        left = true;
    };
    view.openOnBank(2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const int keys[] = {Qt::Key_Escape, Qt::Key_Return, Qt::Key_F3, Qt::Key_Tab, Qt::Key_Space};
    for (int k : keys)
        QTest::keyClick(&view, static_cast<Qt::Key>(k));
    EXPECT_EQ(passed, (QList<int>{Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space}));
    EXPECT_TRUE(KAE__Channel_IsPlaying(10));
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_TRUE(left);
    EXPECT_FALSE(view.isVisible());
}

TEST(BlackScreenFollows, AChannelSelectedElsewhereMovesTheViewsSelectionAndBank) {
    ShowRig rig;
    rig.loadChannel(
        12, {rig.ramp(QStringLiteral("Storm"), 2.0), rig.ramp(QStringLiteral("Rain"), 2.0)});
    BlackScreenView view(*rig.show);
    // The digit keys go on to the main window's hotkeys, which select the channel there.
    view.passKey = [&](QKeyEvent*) {
        rig.store.selectChannel(12);
        return true;
    };
    view.openOnBank(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::keyClick(&view, Qt::Key_3);
    EXPECT_EQ(view.control().selectedChannel(), 12);
    EXPECT_EQ(view.control().bank(), 2);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(rig.store.controls(12).selectedSound, 1) << "the arrows reach the channel shown";
    view.close();
}

TEST(Screenshots, BlackScreenView) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    QDir().mkpath(dir);
    BlackRig r;
    r.rig.store.controls(9).playGroup = QStringLiteral("2");
    r.rig.store.controls(13).stopGroup = QStringLiteral("1");
    for (const char* name : {"Prologue", "Act 1 - Storm", "Act 1 - Knock at the door", "Finale"}) {
        r.rig.show->presets().NewPreset();
        r.rig.store.presets().rename(r.rig.store.presets().count() - 1, QString::fromLatin1(name));
    }
    r.rig.store.presets().setCurrent(1);
    BlackScreenView view(*r.rig.show);
    view.openOnBank(2);
    view.control().keyDown(Qt::Key_F3, false);
    r.rig.renderMs(200);
    const QSize sizes[] = {{1280, 800}, {1920, 1080}};
    for (bool german : {false, true}) {
        UiLanguage::instance().set(german ? Language::German : Language::English);
        for (const QSize& size : sizes) {
            view.resize(size);
            EXPECT_TRUE(
                view.grab().save(QStringLiteral("%1/black-%2x%3-%4.png")
                                     .arg(dir, QString::number(size.width()),
                                          QString::number(size.height()), german ? u"de" : u"en")));
        }
    }
    UiLanguage::instance().set(Language::English);
}
