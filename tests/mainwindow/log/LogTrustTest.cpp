// What a music-rights return rests on: a saved log is never replaced by a cut-off one, and
// every kind of restart is counted as the log options say.
#include "mainwindow/LogFiles.h"
#include "mainwindow/PlayLogControl.h"
#include "support/FileSizeLimit.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

LogDocument documentOf(int entries) {
    PlayLog log;
    for (int i = 0; i < entries; ++i)
        log.startEntry(log.newRow(), QStringLiteral("Band - Song %1").arg(i),
                       QStringLiteral("06.12.26"), QStringLiteral("21:05:09"));
    return logDocument(log);
}

TEST(LogTrust, ADiskThatFillsUpKeepsThePreviousFile) {
    ShowRig rig;
    for (const char* name : {"show.klg", "show.txt"}) {
        SCOPED_TRACE(name);
        const QString path = rig.folder + QLatin1Char('/') + QLatin1String(name);
        ASSERT_TRUE(writeLogFile(path, documentOf(3)));
        const QByteArray previous = readFile(path);
        QString error;
        {
            // Room for part of the file only: the write stops half-way.
            const FileSizeLimit nearlyFull(static_cast<rlim_t>(previous.size()));
            EXPECT_FALSE(writeLogFile(path, documentOf(6), &error));
        }
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(path), previous);
        EXPECT_TRUE(readLogFile(path));
    }
}

TEST(LogTrust, ARestartWithItsFadeInCountsAsARestart) {
    const struct {
        const char* label;
        bool restartCreates;
        int entries;
    } cases[] = {
        {"with the option: a new entry", true, 2},
        {"without it: the same entry goes on", false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ShowRig rig;
        PlayLogControl control(*rig.show, *rig.settings);
        control.setLoggingOn(true);
        rig.settings->setOn(u"LogRestartCreate", c.restartCreates);
        rig.loadChannel(0, {rig.ramp(QStringLiteral("Band - Song"), 5.0)});
        rig.store.controls(0).restartMode = 1;
        rig.store.channel(0).fadeIn = {200, true, 0};
        rig.show->playback().PressPlay(0);
        rig.renderMs(20);
        control.tickPlaying();
        rig.show->playback().PressPlay(0); // the restart: stop, then start with the fade-in
        rig.renderMs(20);
        ASSERT_TRUE(KAE__Channel_IsPlaying(0));
        int entries = 0;
        for (int r = 0; r < control.log().rows(); ++r)
            entries += control.log().rowEmpty(r) ? 0 : 1;
        EXPECT_EQ(entries, c.entries);
    }
}

TEST(LogTrust, AStartThatNobodyHearsIsNoEntry) {
    ShowRig rig;
    PlayLogControl control(*rig.show, *rig.settings);
    control.setLoggingOn(true);
    rig.loadChannel(0, {rig.tone(QStringLiteral("Band - Song"), 2.0)});
    rig.backend->unplug(QStringLiteral("offline"));
    rig.renderMs(20);
    rig.show->playback().PressPlay(0);
    control.tickPlaying();
    ASSERT_FALSE(KAE__Channel_IsPlaying(0));
    EXPECT_FALSE(control.LogHasEntries());
}

TEST(LogTrust, DeletingAnotherRowKeepsAPausedSoundInItsEntry) {
    ShowRig rig;
    PlayLogControl control(*rig.show, *rig.settings);
    control.setLoggingOn(true);
    rig.loadChannel(0, {rig.ramp(QStringLiteral("Before"), 5.0)});
    rig.loadChannel(1, {rig.ramp(QStringLiteral("Band - Song"), 5.0)});
    rig.loadChannel(2, {rig.ramp(QStringLiteral("After"), 5.0)});
    ChannelPlayback& play = rig.show->playback();
    for (int ch = 0; ch < 3; ++ch)
        play.PressPlay(ch);
    control.tickPlaying();
    play.StopChannel(0);
    play.StopChannel(2);
    rig.store.controls(1).pauseMode = 1;
    play.PressPlay(1); // paused: no channel plays, so rows may be deleted
    ASSERT_TRUE(KAE__Channel_IsPaused(1));
    rig.dialogs.answerMessages({MessageResult::Ok});
    ASSERT_TRUE(control.deleteRow(0));
    play.PressPlay(1); // resumed
    control.tickPlaying();
    QStringList titles;
    for (int r = 0; r < control.log().rows(); ++r)
        titles << control.log().cell(r, LogTitle).text;
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Song"), QStringLiteral("After")}));
    EXPECT_EQ(control.log().cell(0, LogLength).text, QStringLiteral("00:00:02"));
    EXPECT_EQ(control.logRow(1), 0);
    EXPECT_EQ(control.logRow(2), 1);
}

TEST(LogTrust, ImportingATextFileKeepsTheListsFont) {
    ShowRig rig;
    PlayLogControl control(*rig.show, *rig.settings);
    const QString path = rig.folder + QStringLiteral("/import.txt");
    ASSERT_TRUE(writeLogFile(path, documentOf(2)));
    QFont booth(QStringLiteral("DejaVu Sans"));
    booth.setPointSize(16);
    booth.setBold(true);
    control.setListFont(booth);
    rig.dialogs.answerFiles({{path}});
    ASSERT_TRUE(control.LogLoad());
    EXPECT_EQ(control.log().rows(), 2);
    EXPECT_EQ(control.log().font(), booth) << "a text file carries no font";
}

} // namespace
