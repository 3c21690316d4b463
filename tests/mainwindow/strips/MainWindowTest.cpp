// The main window around the strips: selecting a channel by clicking into its strip, the
// language switch, the recent playlists and the new-playlist command.
#include "StripsRig.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/ui/Colour.h"
#include "mainwindow/Hotkeys.h"
#include "mainwindow/ui/HotkeyController.h"
#include "mainwindow/ui/PlaylistSelector.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

bool isHighlighted(ChannelStrip& s) {
    return s.palette().color(QPalette::Window) == toQColor(0xC0C0C0);
}

TEST(ChannelSelection, AClickIntoAStripSelectsAndHighlightsItsChannel) {
    StripsRig w;
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    QTabWidget* tabs = w.window->channelTabs();
    using Part = QWidget* (*)(ChannelStrip&);
    const Part caption = [](ChannelStrip& s) -> QWidget* {
        return s.caption();
    };
    const Part list = [](ChannelStrip& s) -> QWidget* {
        return s.lstSoundlist()->viewport();
    };
    const std::pair<int, Part> cases[] = {{2, caption},
                                          {5,
                                           [](ChannelStrip& s) -> QWidget* {
                                               return s.lblChannelInfo();
                                           }},
                                          {11, list},
                                          {9,
                                           [](ChannelStrip& s) -> QWidget* {
                                               return s.sldPosition();
                                           }},
                                          {30,
                                           [](ChannelStrip& s) -> QWidget* {
                                               return s.modeBox(3);
                                           }},
                                          {2, list}};
    int previous = -1;
    for (const auto& [ch, part] : cases) {
        tabs->setCurrentIndex(ch / 8);
        ChannelStrip& s = w.strip(ch);
        QWidget* target = part(s);
        // A check box takes clicks on its box and caption, at its left.
        const QPoint at = qobject_cast<QCheckBox*>(target) ? QPoint(6, target->height() / 2)
                                                           : target->rect().center();
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        EXPECT_EQ(w.rig.store.selectedChannel(), ch);
        EXPECT_TRUE(isHighlighted(s)) << ch;
        if (previous >= 0 && previous != ch) {
            EXPECT_FALSE(isHighlighted(w.strip(previous))) << previous;
        }
        previous = ch;
    }
    // A clicked mode box takes its state into the store, where playback reads it.
    EXPECT_EQ(w.rig.store.controls(30).holdMode, 1);

    // A selection from elsewhere (a key, a remote unit) brings its page to the front.
    w.rig.store.selectChannel(20);
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_TRUE(isHighlighted(w.strip(20)));
    EXPECT_FALSE(isHighlighted(w.strip(2)));
}

TEST(LanguageSwitch, CaptionsAndTheNextMessageBoxChangeAtOnce) {
    StripsRig w;
    // A recent entry whose file has gone: choosing it shows the "does not exist" box.
    w.recent.append(QStringLiteral("Gone"), w.rig.folder + QStringLiteral("/gone.kal"));
    // The setting, a strip's mode box, the first page, the File menu and the box's title.
    const std::pair<bool, const char*> cases[] = {
        {true, "deutsch|Neustart|Kanäle 1-8|&Datei|Datei Fehler"},
        {false, "english|Restart|Channels 1-8|&File|File Error"},
    };
    for (const auto& [german, shown] : cases) {
        w.window->switchLanguage(german);
        w.rig.dialogs.clear();
        w.window->openRecentPlaylist(0);
        EXPECT_EQ(QStringList({w.rig.settings->text(u"Language"), w.strip(7).modeBox(0)->text(),
                               w.window->channelTabs()->tabText(0),
                               w.window->menuBar()->actions().value(0)->text(),
                               w.rig.dialogs.messages().value(0).title})
                      .join(QLatin1Char('|')),
                  QString::fromUtf8(shown));
    }
}

TEST(Menus, NoMenuShortcutSitsOnAHotkey) {
    // A shortcut on a hotkey is shown in the menu but never fires: the key does the
    // hotkey's work (Ctrl+O captures a start offset), so the menu would promise a lie.
    StripsRig w;
    const HotkeyDecoder& keys = w.window->hotkeys()->decoder();
    QStringList shortcuts;
    for (const QAction* a : w.window->findChildren<QAction*>()) {
        for (const QKeySequence& seq : a->shortcuts()) {
            const QKeyCombination combo = seq[0];
            shortcuts << seq.toString();
            EXPECT_FALSE(keys.claims(toKeyStroke(RawKey{combo.key(), combo.keyboardModifiers()})))
                << qPrintable(a->text()) << " " << qPrintable(seq.toString());
        }
    }
    EXPECT_TRUE(shortcuts.contains(QStringLiteral("Ctrl+S"))) << "Save keeps its shortcut";
}

TEST(Timers, MetersAndLoadRunFromStartUpToClosing) {
    // They read the engine, which is there only between start-up and closing.
    StripsRig w;
    const QStringList names{QStringLiteral("LEDTimer"), QStringLiteral("tmrCPULoad")};
    auto running = [&w, &names] {
        QStringList on;
        for (const QString& name : names) {
            const auto* timer = w.window->findChild<QTimer*>(name);
            if (timer == nullptr || timer->isActive())
                on << name;
        }
        return on;
    };
    EXPECT_EQ(running(), QStringList{}) << "built";
    w.window->startTimers();
    EXPECT_EQ(running(), names) << "start-up's timer step";
    w.window->stopTimers();
    EXPECT_EQ(running(), names) << "the playback timers stop before the engine";
    w.window->stopWindowTimers();
    EXPECT_EQ(running(), QStringList{}) << "closing";
}

TEST(NewPlaylist, TheChosenPartsOfTheShowAreEmptied) {
    StripsRig w;
    const QString cue = w.rig.silence(QStringLiteral("cue"), 1.0);
    struct Case {
        std::optional<NewPlaylistChoice> answer;
        int entriesLeft;
    };
    const Case cases[] = {
        {std::nullopt, 1},                          // cancelled: nothing changes
        {NewPlaylistChoice{true, false, false}, 1}, // presets only
        {NewPlaylistChoice{true, true, false}, 0},
    };
    for (const Case& c : cases) {
        w.rig.loadChannel(4, {cue});
        w.window->askNewPlaylist = [&c] {
            return c.answer;
        };
        w.window->newPlaylist();
        EXPECT_EQ(w.rig.store.soundList(4).size(), c.entriesLeft);
        EXPECT_EQ(w.strip(4).lstSoundlist()->count(), c.entriesLeft);
        // The preset list is never left empty.
        EXPECT_GE(w.rig.store.presets().count(), c.answer ? 1 : 0);
    }
}

TEST(Closing, AskedDuringALoadWaitsUntilTheShowIsLoaded) {
    StripsRig w;
    ASSERT_EQ(w.lifecycle->Main({}), StartResult::Running);
    const QString cue = w.rig.silence(QStringLiteral("cue"), 1.0);
    w.rig.loadChannel(0, {cue});
    w.rig.show->presets().NewPreset();
    const QString path = w.rig.folder + QStringLiteral("/show.kal");
    ASSERT_EQ(w.rig.show->playlists().SavePlaylist(path, false), playlist::SaveOutcome::Saved);
    w.rig.dialogs.clear();
    w.rig.dialogs.answerMessages({MessageResult::No});

    // The close arrives while the load lets events run.
    QMetaObject::invokeMethod(
        w.window.get(), [&w] { w.window->close(); }, Qt::QueuedConnection);
    w.rig.show->LoadPlaylist(path);
    ASSERT_FALSE(w.rig.waits.waits().isEmpty()) << "the load let no events run";
    EXPECT_TRUE(w.rig.dialogs.messages().isEmpty()) << "asked in the middle of the load";
    EXPECT_EQ(w.rig.store.playlistPath(), path);

    // Once the show is idle the question comes; No leaves everything running.
    QTest::qWait(400);
    const auto boxes = w.rig.dialogs.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Quit Kalvor and exit ?"));
    EXPECT_EQ(w.lifecycle->state(), ProgramState::Running);
}

} // namespace
} // namespace kalvor::test
