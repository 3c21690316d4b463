// The overview window driven through real mouse events on the offscreen platform, over the
// offline engine: the transport columns, spooling and columns that were dragged away.
#include "overview/ui/OverviewWindow.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "overview/ui/OverviewModel.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

struct OverviewRig {
    OverviewRig() : window(*rig.show, *rig.settings) {
        window.secondsOfDay = [this] {
            return now;
        };
        rig.loadChannel(0, {rig.ramp(QStringLiteral("a"), 60.0)});
        rig.loadChannel(1, {rig.ramp(QStringLiteral("b"), 60.0)});
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QPoint cell(int ch, OverviewColumn column) {
        QTableView* grid = window.grid();
        const int logical =
            grid->horizontalHeader()->logicalIndex(window.columnMap().gridColumn(column));
        return grid->visualRect(window.model().index(ch, logical)).center();
    }
    void press(int ch, OverviewColumn column) {
        QTest::mousePress(window.grid()->viewport(), Qt::LeftButton, {}, cell(ch, column));
    }
    void release(int ch, OverviewColumn column) {
        QTest::mouseRelease(window.grid()->viewport(), Qt::LeftButton, {}, cell(ch, column));
    }
    void click(int ch, OverviewColumn column) {
        press(ch, column);
        release(ch, column);
    }

    ShowRig rig;
    OverviewWindow window;
    std::int64_t now = 1000;
};

TEST(OverviewWindow, TransportColumnsActLikeTheStrip) {
    enum Start { Stopped, Playing };
    struct Case {
        const char* name;
        OverviewColumn column;
        Start start;
        bool restart;
        bool pauseMode;
        bool playingAfter;
        bool pausedAfter;
        bool atStartAfter;
    };
    const Case cases[] = {
        {"play", OverviewColumn::Play, Stopped, false, false, true, false, false},
        {"pause on a stopped channel", OverviewColumn::PauseButton, Stopped, false, false, false,
         false, true},
        {"pause while playing", OverviewColumn::PauseButton, Playing, false, false, false, true,
         false},
        {"pause while playing, mode on", OverviewColumn::PauseButton, Playing, false, true, false,
         true, false},
        {"stop with restart", OverviewColumn::Stop, Playing, true, false, false, false, true},
        {"stop without restart, pause mode", OverviewColumn::Stop, Playing, false, true, false,
         true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OverviewRig o;
        o.rig.store.controls(0).restartMode = c.restart;
        o.rig.store.controls(0).pauseMode = c.pauseMode;
        if (c.start == Playing) {
            o.rig.show->playback().PressPlay(0);
            o.rig.renderMs(500);
        }
        o.click(0, c.column);
        o.rig.renderMs(20);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), c.playingAfter);
        EXPECT_EQ(KAE__Channel_IsPaused(0), c.pausedAfter);
        EXPECT_EQ(KAE__Channel_GetPositionInSamples(0) == 0, c.atStartAfter);
        // The button borrows PauseMode; the operator's choice is what it was.
        EXPECT_EQ(o.rig.store.controls(0).pauseMode == 1, c.pauseMode);
        EXPECT_FALSE(KAE__Channel_IsPlaying(1));
        EXPECT_EQ(o.rig.store.selectedChannel(), 0);
    }
}

TEST(OverviewWindow, DraggedPlayColumnStillPlays) {
    OverviewRig o;
    QHeaderView* header = o.window.grid()->horizontalHeader();
    const int play = 1 + static_cast<int>(OverviewColumn::Play);
    header->moveSection(header->visualIndex(play), 2); // as a drag does
    EXPECT_EQ(o.window.columnMap().gridColumn(OverviewColumn::Play), 2);
    EXPECT_EQ(o.window.columnMap().gridColumn(OverviewColumn::Sound), 1);
    EXPECT_EQ(o.window.columnMap().gridColumn(OverviewColumn::Duration), 3);
    o.click(1, OverviewColumn::Play);
    EXPECT_TRUE(KAE__Channel_IsPlaying(1));
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
}

TEST(OverviewWindow, SpoolingStepsAndStops) {
    struct Case {
        const char* name;
        OverviewColumn column;
        std::int64_t startSecond;
        std::vector<std::pair<int, std::int64_t>> ticks; // seconds held, position after
        bool timerRunningAfter;
    };
    const Case cases[] = {
        {"forward, ten-second steps after three seconds",
         OverviewColumn::Forward,
         10,
         {{1, 12}, {2, 13}, {3, 23}, {4, 33}, {5, 43}, {6, 53}, {7, 53}},
         true},
        {"rewind to the start", OverviewColumn::Rewind, 5, {{1, 3}, {2, 2}, {2, 1}, {2, 0}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OverviewRig o;
        KAE__Channel_SetPositionInSec(0, c.startSecond);
        o.press(0, c.column); // the first step happens on the press
        EXPECT_EQ(KAE__Channel_GetPositionInSec(0),
                  c.startSecond + (c.column == OverviewColumn::Forward ? 1 : -1));
        EXPECT_TRUE(o.window.spoolTimer().isActive());
        const std::int64_t pressed = o.now;
        for (const auto& [held, position] : c.ticks) {
            o.now = pressed + held;
            o.window.spoolTick();
            EXPECT_EQ(KAE__Channel_GetPositionInSec(0), position) << "after " << held << " s";
        }
        EXPECT_EQ(o.window.spoolTimer().isActive(), c.timerRunningAfter);
        o.release(0, c.column);
        EXPECT_FALSE(o.window.spoolTimer().isActive());
        EXPECT_EQ(o.window.actions().spoolDirection(), SpoolDirection::None);
    }
}

TEST(OverviewWindow, ModeCellsToggleThroughTheShowLayer) {
    OverviewRig o;
    const std::pair<OverviewColumn, std::uint8_t ChannelControls::*> modes[] = {
        {OverviewColumn::Restart, &ChannelControls::restartMode},
        {OverviewColumn::Loop, &ChannelControls::loopMode},
        {OverviewColumn::Hold, &ChannelControls::holdMode},
        {OverviewColumn::Autostart, &ChannelControls::autostart},
    };
    for (const auto& [column, field] : modes) {
        o.click(1, column);
        EXPECT_EQ(o.rig.store.controls(1).*field, 1) << overviewCaption(column).toStdString();
        EXPECT_EQ(o.window.model().index(1, 1 + static_cast<int>(column)).data().toString(),
                  QStringLiteral("x"));
        o.click(1, column);
        EXPECT_EQ(o.rig.store.controls(1).*field, 0);
    }
}

TEST(OverviewWindow, PlaylistsCarryTheGridLayoutBothWays) {
    OverviewRig o;
    o.window.attachToPlaylists(o.rig.show->playlists());
    QHeaderView* header = o.window.grid()->horizontalHeader();
    header->moveSection(header->visualIndex(1 + static_cast<int>(OverviewColumn::Stop)), 1);
    header->setSectionHidden(1 + static_cast<int>(OverviewColumn::MtcStop), true);
    header->resizeSection(1 + static_cast<int>(OverviewColumn::Sound), 300);
    const GridArrangement saved = o.window.arrangement();
    const QString path = o.rig.folder + QStringLiteral("/layout.kal");
    ASSERT_EQ(o.rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);

    o.window.ResetOverviewColumns();
    ASSERT_NE(o.window.arrangement().captions(), saved.captions());
    o.rig.show->LoadPlaylist(path);
    EXPECT_EQ(o.window.arrangement().captions(), saved.captions());
    EXPECT_EQ(o.window.arrangement().hidden, saved.hidden);
    EXPECT_EQ(o.window.arrangement().widths, saved.widths);
    EXPECT_EQ(o.window.columnMap().gridColumn(OverviewColumn::Stop), 1);
}

TEST(OverviewWindow, LayoutFileMenuCommands) {
    OverviewRig o;
    QHeaderView* header = o.window.grid()->horizontalHeader();
    header->moveSection(header->visualIndex(1 + static_cast<int>(OverviewColumn::Info)), 1);
    const QString dir = o.rig.folder + QLatin1Char('/');
    for (const char* name : {"b.kov", "c.kov"})
        writeFile(dir + QLatin1String(name), "old");
    struct Case {
        const char* chosen;
        const char* file;
        MessageResult overwrite;
        bool questionAsked;
        bool written;
    };
    const Case cases[] = {
        {"a", "a.kov", MessageResult::Yes, false, true},
        {"b.kov", "b.kov", MessageResult::No, true, false},
        {"c", "c.kov", MessageResult::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        o.rig.dialogs.clear();
        o.rig.dialogs.answerFiles({{dir + QLatin1String(c.chosen)}});
        if (c.questionAsked)
            o.rig.dialogs.answerMessages({c.overwrite});
        o.window.saveLayoutDialog();
        EXPECT_EQ(o.rig.dialogs.messages().size(), c.questionAsked ? 1 : 0);
        EXPECT_EQ(readFile(dir + QLatin1String(c.file)).startsWith("Fileformat 3\r\n"), c.written);
    }
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("b.kov.kov")));

    // Loading: the saved order comes back; a wrong length is reported and what was read
    // stays.
    const QStringList saved = o.window.arrangement().captions();
    o.window.ResetOverviewColumns();
    o.rig.dialogs.answerFiles({{dir + QStringLiteral("a")}});
    o.window.loadLayoutDialog();
    EXPECT_EQ(o.window.arrangement().captions(), saved);
    o.window.ResetOverviewColumns();
    writeFile(dir + QStringLiteral("d.kov"),
              readFile(dir + QStringLiteral("a.kov")).replace("\r\n~\r\n", "\r\n0\r\n~\r\n"));
    SystemMessages::instance().clear();
    EXPECT_TRUE(o.window.loadLayoutFile(dir + QStringLiteral("d.kov")));
    EXPECT_EQ(o.window.arrangement().captions(), saved);
    ASSERT_EQ(SystemMessages::instance().entries().size(), 1);
    EXPECT_TRUE(SystemMessages::instance().entries()[0].endsWith(
        QStringLiteral("Unexpected length of overview layout data!")));
}

TEST(OverviewWindow, SelectorsKeysAndPlace) {
    OverviewRig o;
    // The info editor: Enter keeps the text, Escape drops the edit.
    struct Edit {
        Qt::Key key;
        const char* stored;
    };
    for (const Edit e : {Edit{Qt::Key_Return, "Storm"}, Edit{Qt::Key_Escape, "Storm"}}) {
        o.click(0, OverviewColumn::Info);
        QLineEdit* editor = o.window.grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_TRUE(editor && editor->isVisible());
        QTest::keyClicks(editor, e.key == Qt::Key_Return ? "Storm" : "Calm");
        QTest::keyClick(editor, e.key);
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(o.rig.store.controls(0).infoText, QLatin1String(e.stored));
    }
    // A group list: the chosen entry becomes the channel's group.
    o.click(1, OverviewColumn::PlayGroup);
    QComboBox* list = o.window.grid()->viewport()->findChild<QComboBox*>();
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_EQ(list->count(), 9);
    list->hidePopup();
    Q_EMIT list->activated(3);
    EXPECT_EQ(o.rig.store.controls(1).playGroup, QStringLiteral("3"));
    EXPECT_FALSE(list->isVisible());

    // F1..F8 reach the hotkeys, other keys do not.
    QList<int> passed;
    o.window.passKey = [&](QKeyEvent* e) {
        passed << e->key();
        return true;
    };
    QTest::keyClick(&o.window, Qt::Key_F3);
    QTest::keyClick(&o.window, Qt::Key_F9);
    EXPECT_EQ(passed, (QList<int>{Qt::Key_F3, Qt::Key_F3}));

    // Closing hides and keeps the place; showing again restores it.
    o.window.setGeometry(100, 120, 900, 600);
    const QRect placed = o.window.geometry();
    o.window.close();
    EXPECT_FALSE(o.window.isVisible());
    o.window.setGeometry(0, 0, 400, 300);
    o.window.showOverview();
    EXPECT_EQ(o.window.geometry(), placed);
}

} // namespace
} // namespace kalvor::test
