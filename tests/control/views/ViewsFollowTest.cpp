// The views follow what changes outside them: the monitor the options name, fonts chosen
// after start-up, and a channel selected from the main window's keys or a remote.
#include "control/TouchLabels.h"
#include "control/ui/BlackScreenView.h"
#include "control/ui/TouchScreenView.h"
#include "control/ui/TouchWidgets.h"
#include "core/Settings.h"
#include "engine/kae/Kae.h"
#include "mainwindow/Hotkeys.h"
#include "support/ShowRig.h"

#include <QKeyEvent>
#include <QPointingDevice>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(TouchPlacement, TheOptionsLeftOrRightScreenBesideTheMainWindow) {
    const QRect left(-1920, 0, 1920, 1080), middle(0, 0, 1280, 1024), right(1280, 0, 1024, 768);
    const struct {
        const char* label;
        QList<QRect> screens;
        int mainScreen;
        const char* position; // "TouchScreenPosition": "0" left, "1" right
        int expected;
    } cases[] = {
        {"one screen: a window of its own", {middle}, 0, "1", -1},
        {"right of the main window", {middle, right}, 0, "1", 1},
        {"left of the main window", {middle, left}, 0, "0", 1},
        {"right, screens listed right to left", {right, middle}, 1, "1", 0},
        {"left, main window on the right screen", {left, middle}, 1, "0", 0},
        {"three screens, left", {middle, right, left}, 0, "0", 2},
        {"three screens, right", {left, right, middle}, 2, "1", 1},
        {"the only other screen, whatever its side", {middle, right}, 0, "0", 1},
        {"main window's screen unknown", {right, middle}, -1, "1", 0},
        {"a setting that is no side counts as left", {middle, left}, 0, "x", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(touchScreenIndex(c.screens, c.mainScreen, QString::fromLatin1(c.position)),
                  c.expected)
            << c.label;
}

TEST(TouchPlacement, OpeningTakesUpFontAndColourChosenSinceStartUp) {
    ShowRig rig;
    TouchScreenView view(*rig.show, *rig.settings);
    rig.settings->setText(u"TouchScreenFontName", QStringLiteral("DejaVu Serif"));
    rig.settings->setText(u"TouchScreenFontSize", QStringLiteral("17"));
    rig.settings->setBoolean(u"TouchScreenFontBold", false);
    rig.settings->setBoolean(u"TouchScreenFontItalic", true);
    view.open(nullptr);
    const QFont f = view.btnPlay(5)->font();
    EXPECT_EQ(f.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(f.pointSize(), 17);
    EXPECT_FALSE(f.bold());
    EXPECT_TRUE(f.italic());
    view.close();
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

TEST(TouchKeyboard, KeysTypedWhileTheTouchViewIsActiveReachTheHotkeys) {
    ShowRig rig;
    rig.loadChannel(1, {rig.ramp(QStringLiteral("Door Knock"), 2.0)});
    rig.store.controls(1).holdMode = 1;
    HotkeyDecoder keys(*rig.show, *rig.settings, {});
    TouchScreenView view(*rig.show, *rig.settings);
    view.passKey = [&keys](QKeyEvent* e) {
        const KeyStroke stroke = toKeyStroke(*e);
        return e->type() == QEvent::KeyPress ? keys.keyDown(stroke, e->isAutoRepeat())
                                             : keys.keyUp(stroke, e->isAutoRepeat());
    };
    // Showing a window activates it on some desktops, and a touch may too.
    view.open(nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::keyPress(&view, Qt::Key_F2);
    EXPECT_TRUE(KAE__Channel_IsPlaying(1)) << "F2 plays channel 2";
    QTest::keyRelease(&view, Qt::Key_F2);
    EXPECT_FALSE(KAE__Channel_IsPlaying(1)) << "its release ends the hold";
    view.close();
}

TEST(TouchListScroll, ALongListShowsTheCurrentRowAndScrollsUnderTheFinger) {
    static QPointingDevice* const finger = QTest::createTouchDevice();
    TouchList list;
    const int h = list.rowHeight();
    list.resize(300, h * 5);
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names << QStringLiteral("Sound %1").arg(i + 1);
    list.setRows(names, 30);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QList<int> hits;
    QObject::connect(&list, &TouchList::activated, [&hits](int row) { hits << row; });
    const auto at = [h](int visibleRow) {
        return QPoint(150, visibleRow * h + h / 2);
    };
    const auto tap = [&](int visibleRow) {
        QTest::touchEvent(&list, finger).press(0, at(visibleRow), &list);
        QTest::touchEvent(&list, finger).release(0, at(visibleRow), &list);
    };
    tap(4);
    EXPECT_EQ(hits, QList<int>{30}) << "the current sound is in sight, where it is drawn";
    // A finger drawn up three rows scrolls on by three and selects nothing.
    QTest::touchEvent(&list, finger).press(0, at(4), &list);
    QTest::touchEvent(&list, finger).move(0, at(1), &list);
    QTest::touchEvent(&list, finger).release(0, at(1), &list);
    EXPECT_EQ(hits, QList<int>{30});
    tap(0);
    EXPECT_EQ(hits, (QList<int>{30, 29}));
    // Down as far as the list goes, and no further.
    for (int i = 0; i < 5; ++i) {
        QTest::touchEvent(&list, finger).press(0, at(4), &list);
        QTest::touchEvent(&list, finger).move(0, at(0), &list);
        QTest::touchEvent(&list, finger).release(0, at(0), &list);
    }
    tap(4);
    EXPECT_EQ(hits.last(), 39);
}
