// The touch-screen view driven by synthesised touch events: Play buttons press and
// release as the main window's, the touch lists step presets and pick sounds, and the
// buttons and indicators show the channels' state.
#include "control/TouchLabels.h"
#include "control/ui/TouchScreenView.h"
#include "control/ui/TouchWidgets.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "support/ShowRig.h"

#include <QDir>
#include <QGuiApplication>
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
