// The play log's entry rules, driven through the real show layer on the offline device.
#include "mainwindow/PlayLogControl.h"
#include "support/ShowRig.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

struct LogRig {
    LogRig() : control(*rig.show, *rig.settings) {
        control.now = [] {
            return QDateTime(QDate(2026, 12, 6), QTime(21, 5, 9));
        };
        control.setLoggingOn(true);
    }
    // Entries (rows with a title) in row order.
    QStringList titles() const {
        QStringList t;
        for (int r = 0; r < control.log().rows(); ++r) {
            if (!control.log().rowEmpty(r))
                t << control.log().cell(r, LogTitle).text;
        }
        return t;
    }
    ShowRig rig;
    PlayLogControl control;
};

} // namespace

TEST(PlayLog, SplitsArtistAndTitleAtTheFirstDash) {
    const struct {
        const char* name;
        const char* artist;
        const char* title;
    } cases[] = {{"Band - Song", "Band", "Song"},
                 {"Intro", "", "Intro"},
                 {"A - B - C", "A", "B - C"},
                 {" - Bare", "", "Bare"},
                 {"Band -", "", "Band -"}};
    for (const auto& c : cases) {
        EXPECT_EQ(splitArtistTitle(QString::fromUtf8(c.name)),
                  std::pair(QString::fromUtf8(c.artist), QString::fromUtf8(c.title)))
            << c.name;
    }
}

TEST(PlayLog, TicksCountWholeSeconds) {
    const struct {
        int ticks;
        const char* from;
        const char* shows;
    } cases[] = {{61, "00:00:00", "00:01:01"}, {3600, "00:00:00", "01:00:00"},
                 {1, "00:59:59", "01:00:00"},  {1, "99:59:59", "100:00:00"},
                 {1, "garbage", "00:00:01"},   {3661, "00:00:00", "01:01:01"}};
    for (const auto& c : cases) {
        PlayLog log;
        log.startEntry(log.newRow(), QStringLiteral("x"), {}, {});
        log.setCellText(0, LogLength, QString::fromUtf8(c.from));
        for (int i = 0; i < c.ticks; ++i)
            log.tickEntry(0);
        EXPECT_EQ(log.cell(0, LogLength).text, QString::fromUtf8(c.shows)) << c.from;
    }
}

TEST(PlayLog, StartsRestartsAndResumesMakeEntriesAsTheOptionsSay) {
    enum Mode { Plain, Restart, Pause };
    const struct {
        const char* label;
        Mode mode;
        bool restartCreates;
        bool resumeCreates;
        int presses;
        int entries;
    } cases[] = {
        {"second start of the same sound adds to the same row", Plain, true, true, 3, 1},
        {"restart without its option goes on counting", Restart, false, false, 2, 1},
        {"restart with its option starts a new entry", Restart, true, false, 2, 2},
        {"resume without its option goes on counting", Pause, true, false, 3, 1},
        {"resume with its option starts a new entry", Pause, false, true, 3, 2},
    };
    for (const auto& c : cases) {
        LogRig r;
        r.rig.settings->setOn(u"LogRestartCreate", c.restartCreates);
        r.rig.settings->setOn(u"LogResumeCreate", c.resumeCreates);
        r.rig.loadChannel(0, {r.rig.ramp(QStringLiteral("Band - Song"), 5.0)});
        r.rig.store.controls(0).restartMode = c.mode == Restart ? 1 : 0;
        r.rig.store.controls(0).pauseMode = c.mode == Pause ? 1 : 0;
        for (int i = 0; i < c.presses; ++i) {
            r.rig.show->playback().PressPlay(0);
            r.rig.renderMs(20);
            r.control.tickPlaying();
        }
        EXPECT_EQ(r.titles().size(), c.entries) << c.label;
        EXPECT_EQ(r.control.log().cell(0, LogArtist).text, QStringLiteral("Band")) << c.label;
        EXPECT_EQ(r.control.log().cell(0, LogTime).text, QStringLiteral("21:05")) << c.label;
    }
}

TEST(PlayLog, AnotherSoundOrLoggingOffDecideTheRows) {
    LogRig r;
    r.rig.loadChannel(
        0, {r.rig.ramp(QStringLiteral("Intro"), 5.0), r.rig.ramp(QStringLiteral("Outro"), 5.0)});
    r.control.setLoggingOn(false);
    r.rig.show->playback().PressPlay(0);
    r.control.tickPlaying();
    EXPECT_EQ(r.control.log().rows(), 0) << "logging off writes nothing";

    r.control.setLoggingOn(true);
    r.control.tickPlaying(); // a channel already playing when logging comes on gets its entry
    r.control.tickPlaying();
    EXPECT_EQ(r.control.log().cell(0, LogLength).text, QStringLiteral("00:00:01"));
    r.rig.show->playback().StopChannel(0);
    r.rig.show->selection().select(0, 1);
    r.control.now = [] { // a morning hour keeps its leading zero
        return QDateTime(QDate(2026, 12, 7), QTime(9, 5, 9));
    };
    r.rig.show->playback().PressPlay(0);
    EXPECT_EQ(r.titles(), (QStringList{QStringLiteral("Intro"), QStringLiteral("Outro")}));
    EXPECT_EQ(r.control.log().cell(1, LogNo).text, QStringLiteral("2"));
    EXPECT_EQ(r.control.log().cell(1, LogTime).text, QStringLiteral("09:05"));
}

TEST(PlayLog, ClearKeepsNumberedRowsAndDeleteWaitsForSilence) {
    LogRig r;
    r.rig.loadChannel(0, {r.rig.ramp(QStringLiteral("One"), 5.0)});
    r.rig.loadChannel(1, {r.rig.ramp(QStringLiteral("Two"), 5.0)});
    r.rig.loadChannel(2, {r.rig.ramp(QStringLiteral("Three"), 5.0)});
    for (int ch = 0; ch < 3; ++ch)
        r.rig.show->playback().PressPlay(ch);

    r.rig.dialogs.answerMessages({MessageResult::Ok});
    EXPECT_FALSE(r.control.deleteRow(0));
    ASSERT_EQ(r.rig.dialogs.messages().size(), 1);
    EXPECT_EQ(r.rig.dialogs.messages()[0].icon, MessageIcon::Critical);
    EXPECT_EQ(r.control.log().rows(), 3);

    for (int ch = 0; ch < 3; ++ch)
        r.rig.show->playback().StopChannel(ch);
    r.rig.dialogs.answerMessages({MessageResult::Ok});
    EXPECT_TRUE(r.control.deleteRow(0));
    EXPECT_EQ(r.titles(), (QStringList{QStringLiteral("Two"), QStringLiteral("Three")}));
    EXPECT_EQ(r.control.log().cell(1, LogNo).text, QStringLiteral("2")) << "renumbered";

    r.rig.dialogs.answerMessages({MessageResult::Cancel});
    EXPECT_FALSE(r.control.clearList());
    r.rig.dialogs.answerMessages({MessageResult::Ok});
    EXPECT_TRUE(r.control.clearList());
    EXPECT_EQ(r.control.log().rows(), 2);
    EXPECT_EQ(r.control.log().cell(1, LogNo).text, QStringLiteral("2"));
    EXPECT_FALSE(r.control.LogHasEntries());
    r.rig.show->playback().PressPlay(2);
    EXPECT_EQ(r.control.logRow(2), 0) << "the first free numbered row is used again";
}
