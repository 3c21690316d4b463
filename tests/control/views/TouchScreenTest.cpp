// The touch-screen view driven by synthesised touch events: Play buttons press and
// release as the main window's, the touch lists step presets and pick sounds, and the
// buttons and indicators show the channels' state. Also where it opens, with which font,
// the keys typed while it is active, and a long list under the finger.
#include "control/TouchLabels.h"
#include "control/ui/TouchScreenView.h"
#include "control/ui/TouchWidgets.h"
#include "core/Settings.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "mainwindow/Hotkeys.h"
#include "support/ShowRig.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointingDevice>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct TouchRig {
    TouchRig() : view(*rig.show, *rig.settings) {
        rig.loadChannel(0, {rig.ramp(QStringLiteral("Storm - Thunder Roll"), 5.0),
                            rig.ramp(QStringLiteral("Rain"), 5.0)});
        rig.loadChannel(1, {rig.ramp(QStringLiteral("Door Knock"), 5.0)});
        view.open(nullptr);
        // Touches are found by screen position: the whole view on the offscreen screen.
        view.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    // A finger down at the widget's centre (or row), and lifted again.
    void touch(QWidget* w, bool lift = true, QPoint at = {}) {
        const QPoint p = at.isNull() ? w->rect().center() : at;
        QTest::touchEvent(w, device).press(0, p, w);
        if (lift)
            QTest::touchEvent(w, device).release(0, p, w);
    }
    void lift(QWidget* w) { QTest::touchEvent(w, device).release(0, w->rect().center(), w); }
    QPoint row(TouchList* list, int r) { return {list->width() / 2, r * list->rowHeight() + 4}; }

    ShowRig rig;
    TouchScreenView view;
    QPointingDevice* device = touchScreen();

    // One touch screen for the whole program, as Qt keeps every registered device.
    static QPointingDevice* touchScreen() {
        static QPointingDevice* const d = QTest::createTouchDevice();
        return d;
    }
};

} // namespace

TEST(TouchScreen, PlayButtonsShowTheSoundOrDashes) {
    TouchRig r;
    const struct {
        int ch;
        bool showText;
        const char* shows;
    } cases[] = {{0, true, "1\r\nStorm - Thunder Roll"},
                 {1, false, "2"},
                 {5, true, "---"},
                 {5, false, "---"}};
    for (const auto& c : cases) {
        r.view.setShowText(c.showText);
        EXPECT_EQ(r.view.btnPlay(c.ch)->text(), QString::fromUtf8(c.shows)) << c.ch;
    }
}

TEST(TouchScreen, TouchPressesAndReleasesPlay) {
    TouchRig r;
    r.rig.store.controls(0).holdMode = 1;
    r.touch(r.view.btnPlay(0), false);
    EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << "a finger down starts the channel";
    EXPECT_EQ(r.rig.store.selectedChannel(), 0);
    r.lift(r.view.btnPlay(0));
    EXPECT_FALSE(KAE__Channel_IsPlaying(0)) << "hold mode ends with the finger lifted";

    r.touch(r.view.btnPlay(1));
    EXPECT_TRUE(KAE__Channel_IsPlaying(1)) << "a tap plays once, not twice as touch and mouse";
    r.touch(r.view.btnPlay(5));
    EXPECT_FALSE(KAE__Channel_IsPlaying(5));
}

TEST(TouchScreen, ListsStepPresetsAndPickSoundsAndIndicatorsFollow) {
    TouchRig r;
    r.rig.addPresets(3);
    TouchList* left = r.view.touchGridLeft();
    r.touch(left, true, r.row(left, 0));
    EXPECT_EQ(r.rig.store.presets().current(), 1) << "first cell: Next Preset";
    r.touch(left, true, r.row(left, 1));
    EXPECT_EQ(r.rig.store.presets().current(), 0) << "second cell: Previous Preset";

    r.rig.store.controls(0).loopMode = 1;
    r.rig.store.controls(0).jumpMode = 1;
    r.rig.store.selectChannel(0);
    TouchList* right = r.view.touchGridRight();
    ASSERT_EQ(right->rows(),
              (QStringList{QStringLiteral("Storm - Thunder Roll"), QStringLiteral("Rain")}));
    r.touch(right, true, r.row(right, 1));
    EXPECT_EQ(r.rig.store.controls(0).selectedSound, 1);
    EXPECT_EQ(r.view.btnPlay(0)->text(), QStringLiteral("1\r\nRain"));
    const auto on = touchModeIndicators(r.rig.store, 0);
    EXPECT_EQ(on, (std::array<bool, 5>{false, true, false, false, true}));
    EXPECT_NE(r.view.indicator(1)->palette().color(QPalette::Window),
              r.view.indicator(0)->palette().color(QPalette::Window));
}

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
    QPointingDevice* const finger = TouchRig::touchScreen();
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

TEST(Screenshots, TouchScreenView) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    QDir().mkpath(dir);
    TouchRig r;
    r.rig.store.controls(0).loopMode = 1;
    r.rig.store.selectChannel(0);
    r.rig.show->playback().PressPlay(1);
    r.rig.show->playback().tickButtonColours();
    const QSize sizes[] = {{1280, 800}, {1920, 1080}};
    for (bool german : {false, true}) {
        UiLanguage::instance().set(german ? Language::German : Language::English);
        for (const QSize& size : sizes) {
            r.view.resize(size);
            QTest::qWait(20);
            const QString name = QStringLiteral("%1/touch-%2x%3-%4.png").arg(dir);
            EXPECT_TRUE(r.view.grab().save(
                name.arg(size.width()).arg(size.height()).arg(german ? u"de" : u"en")));
        }
    }
    UiLanguage::instance().set(Language::English);
}
