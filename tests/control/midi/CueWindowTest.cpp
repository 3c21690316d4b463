// The cue window's fields as the operator types into them: digits only, Enter takes the
// value, an empty field is 0, and values beyond the clock are refused.
#include "MidiRig.h"

#include "control/ui/CueWindow.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using Cue = midi::MtcCues::Cue;

TEST(CueWindow, TypedFieldsFollowTheFieldRules) {
    struct Case {
        const char* label;
        int cue;  // 0 start, 1 stop
        int unit; // 0 hours .. 3 frames
        const char* typed;
        std::int32_t frames; // the cue afterwards; -1: unchanged (refused)
    } cases[] = {
        {"23 hours", 0, 0, "23", 23 * 3600 * 25},
        {"24 hours are refused", 0, 0, "24", -1},
        {"59 minutes", 1, 1, "59", 59 * 60 * 25},
        {"60 seconds are refused", 1, 2, "60", -1},
        {"frame 24 at 25 fps", 0, 3, "24", 24},
        {"frame 25 is refused", 0, 3, "25", -1},
        {"letters are not taken, the empty field is 0", 0, 1, "ab", 0},
    };
    for (const Case& c : cases) {
        MidiRig rig(2);
        CueWindow window(*rig.show, rig.mtc);
        window.showCueWindow(1);
        const Cue which = c.cue == 0 ? Cue::Start : Cue::Stop;
        rig.mtc.setCue(1, which, 7); // 00:00:00:07
        QLineEdit* field = window.field(c.cue, c.unit);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        QTest::keyClick(field, Qt::Key_Return);
        const std::int32_t want = c.frames < 0 ? 7 : c.frames + (c.unit == 3 ? 0 : 7);
        EXPECT_EQ(rig.mtc.cue(1, which), want) << c.label;
        EXPECT_EQ(rig.mtc.cue(0, which), 0) << c.label << ": other channels untouched";
    }
}

TEST(CueWindow, ButtonsStepTheCueAndTheTitleNamesTheChannel) {
    MidiRig rig(3);
    rig.store.setChannelInfo(2, QStringLiteral("Thunder"), 0);
    CueWindow window(*rig.show, rig.mtc);
    window.showCueWindow(2);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("MTC Cues: Channel 3 (Thunder) "));
    rig.mtc.setCue(2, Cue::Start, 25 * 86400 - 1);
    EXPECT_EQ(window.field(0, 0)->text(), QStringLiteral("23")) << "the window follows";
    EXPECT_EQ(window.field(0, 3)->text(), QStringLiteral("24"));
}
