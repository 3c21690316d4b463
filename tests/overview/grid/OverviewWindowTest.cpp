// The overview window driven through real mouse events on the offscreen platform, over the
// offline engine: the transport columns, spooling and columns that were dragged away.
// What the operator must be able to trust: a layout file survives a save that fails, the
// grid's widths survive hiding a column, and the GPI/O columns name the lines that really
// start or follow each channel. And pictures of 32 channels, some playing, at the booth's
// screen size in both languages (only when KALVOR_SHOTS_DIR names a folder).
#include "overview/ui/OverviewWindow.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "overview/KovFile.h"
#include "overview/OverviewCells.h"
#include "overview/ui/OverviewModel.h"
#include "support/FileSizeLimit.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"
#include "support/media/TestMedia.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

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

int logicalOf(OverviewColumn column) {
    return 1 + static_cast<int>(column);
}

TEST(OverviewTrust, AFailedLayoutSaveKeepsThePreviousFile) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    const QString path = rig.folder + QStringLiteral("/booth.kov");
    const QByteArray previous = kovFileContents(window.currentLayout());
    writeFile(path, previous);
    QHeaderView* header = window.grid()->horizontalHeader();
    header->moveSection(header->visualIndex(logicalOf(OverviewColumn::Play)), 1);
    {
        const FileSizeLimit nearlyFull(64); // far less than a layout block
        EXPECT_FALSE(window.saveLayoutFile(path));
    }
    EXPECT_EQ(readFile(path), previous);
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].icon, MessageIcon::Critical);
    // With room again the same save goes through.
    EXPECT_TRUE(window.saveLayoutFile(path));
    EXPECT_EQ(readKovFile(readFile(path)).layout, window.currentLayout());
}

TEST(OverviewTrust, AHiddenColumnKeepsTheWidthItWasGivenLast) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    QHeaderView* header = window.grid()->horizontalHeader();
    const int sound = logicalOf(OverviewColumn::Sound);
    header->resizeSection(sound, 321);
    header->setSectionHidden(sound, true);
    const GridArrangement saved = window.arrangement();
    EXPECT_EQ(saved.widths[static_cast<std::size_t>(saved.gridColumnOf(sound))],
              321 * kTwipsPerPixel);
    // Through a file and back, shown again, it has that width.
    window.ResetOverviewColumns();
    window.applyLayout(readKovFile(kovFileContents(takeLayout(saved))).layout);
    header->setSectionHidden(sound, false);
    EXPECT_EQ(header->sectionSize(sound), 321);
}

TEST(OverviewTrust, GpioColumnsNameTheLinesOfEachChannel) {
    playlist::GpioBlock block;
    using D = playlist::GpioDirection;
    block.directions = {D::In, D::Out, D::In, D::Out}; // 1-8, 9-16, 17-20, 21-24
    const std::pair<int, int> functions[] = {
        {3, 5},   {7, 5},  {8, 32}, // inputs of channels 5 and 32
        {10, 5},  {16, 1},          // outputs of channels 5 and 1
        {17, 5},  {20, 1},          // the lower half of port 3 is an input
        {21, 32}, {24, 5},          // the upper half an output
        {12, 33},                   // "X-Keys F1" is no channel
    };
    for (const auto& [line, function] : functions)
        block.lines[static_cast<std::size_t>(line - 1)].function = function;
    struct Case {
        int ch;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {4, "3 7 17", "10 24"}, {0, "20", "16"}, {31, "8", "21"}, {1, "", ""}, {30, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ch);
        EXPECT_EQ(gpioLinesText(block, c.ch, true), QLatin1String(c.in));
        EXPECT_EQ(gpioLinesText(block, c.ch, false), QLatin1String(c.out));
    }
    // A port switched off serves nobody, whatever its lines were given.
    block.directions[0] = D::Off;
    EXPECT_EQ(gpioLinesText(block, 4, true), QStringLiteral("17"));
}

TEST(OverviewTrust, GpioCellsFollowTheSettingsOfTheLines) {
    ShowRig rig;
    rig.loadChannel(4, {rig.ramp(QStringLiteral("e"), 10.0)});
    OverviewWindow window(*rig.show, *rig.settings);
    rig.settings->setText(u"Port1Direction", QStringLiteral("IN"));
    rig.settings->setText(u"Port2Direction", QStringLiteral("OUT"));
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 2), 5);
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 11), 5);
    OverviewModel& model = window.model();
    model.OverviewFillRow(4);
    const auto cell = [&](OverviewColumn column) {
        return model.index(4, logicalOf(column)).data().toString();
    };
    EXPECT_EQ(cell(OverviewColumn::GpioIn), QStringLiteral("2"));
    EXPECT_EQ(cell(OverviewColumn::GpioOut), QStringLiteral("11"));
    // The options change the lines while the window is open: the cells follow.
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 5), 5);
    bool told = false;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         const int in = logicalOf(OverviewColumn::GpioIn);
                         told |= from.row() <= 4 && to.row() >= 4 && from.column() <= in &&
                                 to.column() >= in;
                     });
    model.refreshPositions();
    EXPECT_TRUE(told);
    EXPECT_EQ(cell(OverviewColumn::GpioIn), QStringLiteral("2 5"));
}

TEST(OverviewTrust, TimeCodeCuesAreShownAtTheRateBeingReceived) {
    ShowRig rig;
    rig.loadChannel(31, {rig.ramp(QStringLiteral("last"), 10.0)});
    OverviewWindow window(*rig.show, *rig.settings);
    OverviewModel& model = window.model();
    rig.store.assignments(31).mtcStart = 300;
    rig.store.assignments(31).mtcStop = 3600 * 30 + 59;
    int fps = 25;
    model.mtcFps = [&] {
        return fps;
    };
    int redrawn = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         const int start = logicalOf(OverviewColumn::MtcStart);
                         redrawn += from.row() == 0 && to.row() == kChannelCount - 1 &&
                                    from.column() <= start && to.column() >= start;
                     });
    struct Case {
        int fps;
        const char* start;
        const char* stop;
        int redrawn; // after the rate arrived
    };
    const Case cases[] = {
        {25, "00:00:12:00", "01:12:02:09", 0},
        {30, "00:00:10:00", "01:00:01:29", 1},
        {30, "00:00:10:00", "01:00:01:29", 1}, // the same rate again: nothing to draw
        {24, "00:00:12:12", "01:15:02:11", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fps);
        fps = c.fps;
        model.mtcRateChanged();
        EXPECT_EQ(redrawn, c.redrawn);
        const auto cell = [&](OverviewColumn column) {
            return model.index(31, logicalOf(column)).data().toString();
        };
        EXPECT_EQ(cell(OverviewColumn::MtcStart), QLatin1String(c.start));
        EXPECT_EQ(cell(OverviewColumn::MtcStop), QLatin1String(c.stop));
    }
}

// The note names follow the "C3 = 60" option, as the options' note grid does, also when
// the option changes while the window is open.
TEST(OverviewTrust, MidiCellsNameNotesByTheOctaveOption) {
    ShowRig rig;
    rig.loadChannel(2, {rig.ramp(QStringLiteral("c"), 10.0)});
    ChannelAssignments& a = rig.store.assignments(2);
    a.midiInEnabled = a.midiOutEnabled = true;
    a.midiInNote = 60;
    a.midiInChannel = 3;
    a.midiOutNote = 127;
    a.midiOutChannel = 16;
    OverviewWindow window(*rig.show, *rig.settings);
    OverviewModel& model = window.model();
    struct Case {
        int offset;
        const char* in;
        const char* out;
    };
    for (const Case c : {Case{0, "60 = C5 (3)", "127 = G10 (16)"},
                         Case{1, "60 = C3 (3)", "127 = G8 (16)"}}) {
        SCOPED_TRACE(c.offset);
        rig.settings->setInteger(u"MidiNoteOffset", c.offset);
        bool told = false;
        const auto connection = QObject::connect(
            &model, &QAbstractItemModel::dataChanged,
            [&](const QModelIndex& from, const QModelIndex& to) {
                const int in = logicalOf(OverviewColumn::MidiIn);
                told |= from.row() <= 2 && to.row() >= 2 && from.column() <= in &&
                        to.column() >= in;
            });
        model.refreshPositions();
        QObject::disconnect(connection);
        EXPECT_TRUE(told);
        EXPECT_EQ(model.index(2, logicalOf(OverviewColumn::MidiIn)).data().toString(),
                  QLatin1String(c.in));
        EXPECT_EQ(model.index(2, logicalOf(OverviewColumn::MidiOut)).data().toString(),
                  QLatin1String(c.out));
    }
}

// The options' "Show progress bars" and the View menu's Show Progress are one setting: a
// change in the options reaches the open window's progress fill and its menu check.
TEST(OverviewTrust, ProgressFillFollowsTheOptions) {
    ShowRig rig;
    rig.loadChannel(0, {rig.ramp(QStringLiteral("a"), 10.0)});
    OverviewWindow window(*rig.show, *rig.settings);
    rig.show->playback().PressPlay(0);
    rig.renderMs(500);
    QAction* view = nullptr;
    for (QAction* a : window.menuBar()->actions())
        view = a->text() == QStringLiteral("&View") ? a : view;
    ASSERT_TRUE(view && view->menu());
    QAction* progress = nullptr;
    for (QAction* a : view->menu()->actions())
        progress = a->text() == QStringLiteral("Show Progress") ? a : progress;
    ASSERT_TRUE(progress);
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        rig.settings->setOn(u"ShowProgress", on); // as the options dialog stores it
        window.model().refreshPositions();
        Q_EMIT view->menu()->aboutToShow();
        const double fill = window.model()
                                .index(0, logicalOf(OverviewColumn::Position))
                                .data(OverviewModel::FillRole)
                                .toDouble();
        EXPECT_EQ(fill > 0.0, on);
        EXPECT_EQ(progress->isChecked(), on);
    }
}

// The strip's position slider moves a channel that is not playing without a word to the
// overview: its Position cell is drawn again all the same.
TEST(OverviewTrust, PositionCellFollowsAMoveWhileNotPlaying) {
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused);
        ShowRig rig;
        rig.loadChannel(5, {rig.ramp(QStringLiteral("f"), 60.0)});
        OverviewWindow window(*rig.show, *rig.settings);
        if (paused) {
            rig.show->playback().PressPlay(5);
            rig.renderMs(100);
            rig.show->playback().PauseChannel(5);
        }
        window.model().refreshPositions();
        const int position = logicalOf(OverviewColumn::Position);
        bool told = false;
        QObject::connect(&window.model(), &QAbstractItemModel::dataChanged,
                         [&](const QModelIndex& from, const QModelIndex& to) {
                             told |= from.row() <= 5 && to.row() >= 5 &&
                                     from.column() <= position && to.column() >= position;
                         });
        ASSERT_TRUE(rig.show->channelOps().SeekPercent(5, 50));
        window.model().refreshPositions();
        EXPECT_TRUE(told);
        EXPECT_EQ(window.model().index(5, position).data().toString(), QStringLiteral("00:00:30"));
    }
}

// At the default layout the widest text of each fixed-form column is read whole (the
// cells cut what does not fit), and all columns still fit the booth's 1920 pixels.
TEST(OverviewTrust, DefaultWidthsShowTheWidestCellTexts) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    const QFontMetricsF metrics(window.model().gridFont());
    const GridArrangement g = defaultArrangement();
    QString note;
    for (int n = 0; n < 128; ++n) {
        const QString text = midiAssignText(true, n, 16);
        if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(note))
            note = text;
    }
    const std::pair<OverviewColumn, QString> widest[] = {
        {OverviewColumn::Duration, QStringLiteral("00:00:00")},
        {OverviewColumn::Position, QStringLiteral("00:00:00")},
        {OverviewColumn::StartOffset, QStringLiteral("00:00:00")},
        {OverviewColumn::Volume, QStringLiteral("-99dB")},
        {OverviewColumn::Pan, QStringLiteral("L100")},
        {OverviewColumn::VariSpeed, QStringLiteral("-50%")},
        {OverviewColumn::MtcStart, mtcCueText(24 * 3600 * 30 - 1, 30)},
        {OverviewColumn::MtcStop, mtcCueText(24 * 3600 * 30 - 1, 30)},
        {OverviewColumn::MidiIn, note},
        {OverviewColumn::MidiOut, note},
    };
    for (const auto& [column, text] : widest) {
        const int pixels = g.widths[static_cast<std::size_t>(logicalOf(column))] / kTwipsPerPixel;
        // The grid line and the text's margins of 4 on each side.
        EXPECT_LE(metrics.horizontalAdvance(text), pixels - 9)
            << overviewCaption(column).toStdString() << ": " << text.toStdString();
    }
    int total = 0;
    for (const int w : g.widths)
        total += w / kTwipsPerPixel;
    EXPECT_LE(total, 1920);
}

TEST(OverviewTrust, LayoutDialogsOpenInAFolderOfTheUsers) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    QStringList folders;
    rig.dialogs.onBox = [&](const RecordedBox& box) {
        folders << box.text;
    };
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    rig.dialogs.answerFiles({{}, {}, {rig.folder + QStringLiteral("/mine.kov")}, {}});
    window.saveLayoutDialog(); // nothing used yet: the per-user folder, not the program's
    window.loadLayoutDialog();
    window.saveLayoutDialog();
    window.loadLayoutDialog(); // then the folder of the layout last used
    EXPECT_EQ(folders, (QStringList{data, data, data, rig.folder}));
    EXPECT_TRUE(QFileInfo(data).isDir());
}

// Title and every menu text, depth first.
QStringList captionsOf(QMainWindow& window) {
    QStringList texts{window.windowTitle()};
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            texts << a->text();
            if (a->menu())
                walk(a->menu()->actions());
        }
    };
    walk(window.menuBar()->actions());
    return texts;
}

// A language switch relabels the open window as if it had been opened in that language.
TEST(OverviewTrust, AnOpenWindowFollowsTheLanguageSwitch) {
    ShowRig rig;
    UiLanguage::instance().set(Language::English);
    OverviewWindow open(*rig.show, *rig.settings);
    UiLanguage::instance().set(Language::German);
    OverviewWindow fresh(*rig.show, *rig.settings);
    EXPECT_EQ(captionsOf(open).join(u'|').toStdString(),
              captionsOf(fresh).join(u'|').toStdString());
    UiLanguage::instance().set(Language::English);
}

TEST(OverviewScreenshots, ThirtyTwoChannelsAtBoothSize) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    QDir().mkpath(dir);
    const char* const names[] = {"Overture",   "Thunder Roll", "Rain Loop", "Door Knock",
                                 "Phone Ring", "Crowd Murmur", "Wind Howl", "Clock Tower"};
    for (const Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        ShowRig rig;
        QStringList files;
        int i = 0;
        for (const char* n : names)
            files << testmedia::makeSilence(rig.folder, QString::fromLatin1(n),
                                            testmedia::Format::Wav16, 8000, 1, 40.0 + 23.0 * i++);
        ShowStore& s = rig.store;
        for (int ch = 0; ch < 32; ++ch) {
            rig.loadChannel(ch, {files[ch % files.size()]});
            s.channel(ch).volume = 100 - (ch * 7) % 30;
            s.controls(ch).loopMode = ch % 5 == 2;
            s.controls(ch).pauseMode = ch % 4 == 1;
            s.controls(ch).playGroup = ch % 6 == 0 ? QStringLiteral("2") : QStringLiteral("---");
            if (ch % 3 == 0)
                s.setChannelInfo(ch, QStringLiteral("Cue %1").arg(ch + 1), 0);
            // The widest assignments a show has: the cells must not cut them.
            ChannelAssignments& a = s.assignments(ch);
            a.midiInEnabled = a.midiOutEnabled = ch % 2 == 0;
            a.midiInNote = 100 + ch;
            a.midiInChannel = 16;
            a.midiOutNote = 36 + ch;
            a.midiOutChannel = 10;
            s.announceChannel(ch);
        }
        OverviewWindow w(*rig.show, *rig.settings);
        w.setGeometry(0, 0, 1920, 1080);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (int ch : {0, 3, 4, 9, 12, 17, 22, 30}) {
            rig.show->playback().PressPlay(ch);
            KAE__Channel_SetPositionInSec(ch, 5 + ch);
        }
        rig.show->playback().PauseChannel(9);
        rig.show->playback().PauseChannel(22);
        for (int ch = 0; ch < 32; ++ch)
            w.model().OverviewFillRow(ch);
        QTest::qWait(20);
        const QString name = language == Language::English ? QStringLiteral("overview-en.png")
                                                           : QStringLiteral("overview-de.png");
        EXPECT_TRUE(w.grab().save(dir + QLatin1Char('/') + name));
    }
    UiLanguage::instance().set(Language::English);
}

} // namespace
} // namespace kalvor::test
