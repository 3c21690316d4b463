// The go-to-time dialog as the operator types into it, moving a real sound on the offline
// device while it goes on playing.
#include "tools/GoToTime.h"
#include "core/UiLanguage.h"
#include "support/ShowRig.h"
#include "tools/ui/GoToTimeDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(GoToTime, TypedTimesMoveThePlayingChannel) {
    ShowRig rig;
    // 200 seconds, mono at 8000 frames a second: small enough to write for every test run.
    rig.loadChannel(0, {testmedia::makeSilence(rig.folder, QStringLiteral("long"),
                                               testmedia::Format::Wav16, 8000, 1, 200.0)});
    rig.show->playback().PressPlay(0);
    GoToTimeDialog dialog(*rig.show);
    int moved = 0;
    QObject::connect(&rig.show->playback(), &ChannelPlayback::positionChanged,
                     [&](int ch) { moved += ch == 0; });
    struct Case {
        const char* what;
        const char* typed; // typed from the start of the field; "" leaves it empty
        int cursor;        // where typing starts
        bool clearFirst;
        bool closes;
        std::int64_t seconds;
        int percent;
    };
    const Case cases[] = {
        {"hours left unfilled", "0130", 3, false, true, 90, 45},
        {"an empty field goes to the start", "", 0, false, true, 0, 0},
        {"half of 200 seconds", "000140", 0, false, true, 100, 50},
        {"typed, then cleared", "000150", 0, true, true, 0, 0},
        {"past the end is refused and the dialog stays", "000400", 0, false, false, 0, 0},
    };
    for (const Case& c : cases) {
        KAE__Channel_SetPositionInSamples(0, 0);
        dialog.openFor(0, false);
        ASSERT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.isModal()) << "the show goes on while it is open";
        EXPECT_EQ(dialog.TimeInput()->displayText(), QLatin1String(kGoToTimeEmpty));
        dialog.TimeInput()->setCursorPosition(c.cursor);
        QTest::keyClicks(dialog.TimeInput(), QLatin1String(c.typed));
        if (c.clearFirst) {
            QTest::mouseClick(dialog.btnClear(), Qt::LeftButton);
            EXPECT_EQ(dialog.TimeInput()->displayText(), QLatin1String(kGoToTimeEmpty));
        }
        const int before = moved;
        if (!c.closes)
            KAE__Channel_SetPositionInSamples(0, 8000 * 7);
        QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
        EXPECT_EQ(dialog.isVisible(), !c.closes) << c.what;
        if (c.closes) {
            EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), c.seconds * 8000) << c.what;
            EXPECT_EQ(rig.show->playback().timeDisplay(0).percent, c.percent) << c.what;
            EXPECT_EQ(moved, before + 1) << c.what << ": the displays follow";
        } else {
            EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), 8000 * 7) << c.what;
            EXPECT_FALSE(dialog.message()->isHidden()) << c.what;
            QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
            EXPECT_FALSE(dialog.isVisible());
        }
        EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << c.what;
    }
}

TEST(GoToTime, TitlesAndAChannelWithoutASound) {
    ShowRig rig;
    GoToTimeDialog dialog(*rig.show);
    struct Case {
        Language language;
        bool fromKey;
        const char* title;
        const char* label;
    };
    const Case cases[] = {
        {Language::English, false, "Go to time (Hrs./Min./Sec.)", "Channel 5"},
        {Language::German, true, "Gehe zu ...", "Kanal 5"},
    };
    for (const Case& c : cases) {
        UiLanguage::instance().set(c.language);
        dialog.openFor(4, c.fromKey);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblChannel"))->text(),
                  QString::fromUtf8(c.label));
    }
    UiLanguage::instance().set(Language::English);
    QTest::keyClicks(dialog.TimeInput(), QStringLiteral("000010"));
    QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible()) << "nothing to move: the dialog says so and stays";
    EXPECT_FALSE(dialog.message()->isHidden());
}

TEST(Screenshots, GoToTimeDialog) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    ShowRig rig;
    for (Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        GoToTimeDialog dialog(*rig.show);
        dialog.openFor(11, false);
        QTest::keyClicks(dialog.TimeInput(), QStringLiteral("0130"));
        QTest::qWait(20);
        dialog.grab().save(
            dir +
            QStringLiteral("/goto-%1.png").arg(language == Language::English ? u"en" : u"de"));
    }
    UiLanguage::instance().set(Language::English);
}
