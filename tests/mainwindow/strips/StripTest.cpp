// The channel strip as the operator uses it: the position slider, PLAY and its colours,
// the caption with the MIDI notes (and the note names it is built from), dropped files and
// clicks into the sound list.
#include "StripsRig.h"

#include "core/Channel.h"
#include "core/ShowStore.h"
#include "core/ui/Colour.h"
#include "engine/kae/Kae.h"
#include "mainwindow/ChannelCaption.h"
#include "overview/ui/SoundOffsetsWindow.h"
#include "support/TestEnvironment.h"
#include "tools/ui/GoToTimeDialog.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace kalvor::test {
namespace {

// Drags the slider as a mouse would: down, moved to `value`, released.
void dragSlider(QSlider* slider, int value) {
    slider->setSliderDown(true);
    slider->setSliderPosition(value);
}
void releaseSlider(QSlider* slider) {
    slider->setSliderDown(false);
}

TEST(PositionSlider, DragShowsTheTimeAndReleaseSeeksThere) {
    StripsRig w;
    w.rig.loadChannel(0, {w.rig.silence(QStringLiteral("three"), 180.0)});
    ChannelStrip& s = w.strip(0);
    const std::int64_t bytes = KAE__Channel_GetLength(0);
    ASSERT_GT(bytes, 0);
    ASSERT_EQ(s.pnlDuration()->text(), QStringLiteral("00:03:00"));

    // The slider's value: what a drag shows, and, once released, where the channel stands.
    const std::pair<int, const char*> cases[] = {{50, "00:01:30 90"},
                                                 {25, "00:00:45 45"},
                                                 {99, "00:02:58 178"},
                                                 {0, "00:00:00 0"},
                                                 {33, "00:00:59 59"}};
    for (const auto& [value, shown] : cases) {
        dragSlider(s.sldPosition(), value);
        const QString dragged = s.pnlPos()->text();
        EXPECT_EQ(KAE__Channel_GetPosition(0), 0) << "nothing moves until the release";
        releaseSlider(s.sldPosition());
        EXPECT_EQ(u"%1 %2"_s.arg(dragged).arg(KAE__Channel_GetPositionInSec(0)),
                  QLatin1String(shown));
        EXPECT_EQ(KAE__Channel_GetPosition(0), value * ((bytes + 50) / 100)) << value;
        EXPECT_EQ(std::pair(s.pnlPos()->text(), s.sldPosition()->value()),
                  std::pair(dragged, value));
        KAE__Channel_SetPosition(0, 0);
    }
    // Without a sound nothing is shown or sought.
    ChannelStrip& empty = w.strip(3);
    dragSlider(empty.sldPosition(), 60);
    releaseSlider(empty.sldPosition());
    EXPECT_EQ(empty.pnlPos()->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(empty.sldPosition()->value(), 0);
    EXPECT_EQ(KAE__Channel_GetPosition(3), -1);
}

TEST(GoToTime, ADoubleClickOpensItBesideTheRunningShowAndTheStripFollows) {
    StripsRig r;
    r.rig.loadChannel(0, {r.rig.silence(QStringLiteral("two hundred"), 200.0)});
    r.rig.show->playback().PressPlay(0);
    ChannelStrip& s = r.strip(0);
    QTest::mouseDClick(s.pnlPos(), Qt::LeftButton);
    GoToTimeDialog* dialog = r.window->goToTimeDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible() && !dialog->isModal());
    QTest::keyClicks(dialog->TimeInput(), QStringLiteral("000140"));
    QTest::mouseClick(dialog->btnOK(), Qt::LeftButton);
    EXPECT_EQ(s.pnlPos()->text(), QStringLiteral("00:01:40"));
    EXPECT_EQ(s.findChild<QSlider*>(QStringLiteral("sldPosition"))->value(), 50);
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
}

TEST(StartOffsetMark, ShowsWhileTheChannelHasAnOffsetAndOpensTheWindow) {
    StripsRig r;
    r.rig.loadChannel(2, {r.rig.silence(QStringLiteral("twenty"), 20.0)});
    ChannelStrip& s = r.strip(2);
    EXPECT_FALSE(s.imgStartOffset()->isVisibleTo(&s));
    ASSERT_TRUE(r.rig.show->offsets().SetStartOffset(2, 8000 * 3));
    EXPECT_TRUE(s.imgStartOffset()->isVisibleTo(&s));
    QTest::mouseClick(s.imgStartOffset(), Qt::LeftButton);
    ASSERT_NE(r.window->startOffsetsWindow(), nullptr);
    EXPECT_EQ(std::pair(r.window->startOffsetsWindow()->channel(),
                        r.window->startOffsetsWindow()->txtSamples()->text()),
              std::pair(2, QStringLiteral("24000")));
    // Selecting another sound starts it from its head.
    r.rig.loadChannel(2, {r.rig.silence(QStringLiteral("other"), 20.0)});
    EXPECT_FALSE(s.imgStartOffset()->isVisibleTo(&s));
}

TEST(PlayButton, ColourFollowsTheChannelState) {
    StripsRig w;
    w.rig.store.controls(0).pauseMode = 1;
    w.rig.loadChannel(0, {w.rig.silence(QStringLiteral("thirty"), 30.0)});
    QWidget* play = w.strip(0).playButton();
    const auto press = [play](Qt::MouseButton b) {
        return [play, b] {
            QTest::mousePress(play, b);
        };
    };
    const struct {
        std::function<void()> act;
        int colour;
        const char* what;
    } steps[] = {
        {press(Qt::LeftButton), 65280, "first press plays"},
        {[play] { QTest::mouseRelease(play, Qt::LeftButton); }, 65280, "release keeps playing"},
        {press(Qt::LeftButton), 33023, "second press pauses (PauseMode)"},
        {press(Qt::LeftButton), 65280, "third press continues"},
        {[] { KAE__Channel_SetPositionInSec(0, 25); }, 65280, "five seconds left"},
        {[&w] { w.rig.show->playback().tickButtonColours(); }, 3355647,
         "phase 1 shows the end signal (the phases: ChannelPlayback)"},
        {[play] { QTest::mouseClick(play, Qt::RightButton); }, 14140870,
         "the right button stops at once"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_TRUE(play->styleSheet().contains(toQColor(step.colour).name()))
            << step.what << ": " << play->styleSheet().toStdString();
    }
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
}

void dropOn(QWidget* target, const QStringList& files) {
    QList<QUrl> urls;
    for (const QString& f : files)
        urls << QUrl::fromLocalFile(f);
    QMimeData data;
    data.setUrls(urls);
    // A drop only reaches the widget that took the drag when it entered.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

TEST(SoundListDrop, OnlyASetStartingWithASoundFileIsTaken) {
    StripsRig w;
    const QString wav = w.rig.silence(QStringLiteral("cue"), 1.0);
    const QString text = w.rig.folder + QStringLiteral("/notes.txt");
    writeFile(text, "not a sound");
    struct Case {
        bool onAddButton;
        QStringList files;
        const char* shown; // entries in the store and the list, sound ready, current entry
    };
    const Case cases[] = {
        {false, {text, wav}, "0 0 0 "},
        {true, {text, wav}, "0 0 0 "},
        {false, {wav}, "1 1 1 cue"},
        {true, {wav, wav}, "2 2 1 cue"},
    };
    int ch = 0;
    for (const Case& c : cases) {
        ChannelStrip& s = w.strip(ch);
        dropOn(c.onAddButton ? static_cast<QWidget*>(s.cmdAdd()) : s.lstSoundlist()->viewport(),
               c.files);
        const QListWidgetItem* current = s.lstSoundlist()->currentItem();
        EXPECT_EQ(u"%1 %2 %3 %4"_s.arg(w.rig.store.soundList(ch).size())
                      .arg(s.lstSoundlist()->count())
                      .arg(w.rig.show->playback().soundReady(ch))
                      .arg(current ? current->text() : QString()),
                  QLatin1String(c.shown))
            << ch;
        ++ch;
    }
}

TEST(SoundList, ClickOnAnEntryLoadsItAndTheListFollowsTheStore) {
    StripsRig w;
    const QString a = w.rig.silence(QStringLiteral("a"), 2.0);
    const QString b = w.rig.silence(QStringLiteral("b"), 3.0);
    w.rig.loadChannel(1, {a, b});
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    ChannelStrip& s = w.strip(1);
    QListWidget* list = s.lstSoundlist();
    const auto shown = [&] { // the list's row, the channel's sound and the shown length
        return u"%1 %2 %3"_s.arg(list->currentRow())
            .arg(w.rig.store.channel(1).fileName.right(5), s.pnlDuration()->text());
    };
    EXPECT_EQ(shown(), u"0 a.wav 00:00:02"_s);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(shown(), u"1 b.wav 00:00:03"_s);
    // The show layer steps the selection on (jump after a stop); the list follows.
    w.rig.show->selection().select(1, 0);
    EXPECT_EQ(shown(), u"0 a.wav 00:00:02"_s);
}

enum class Menu { TimeDisplay, ChannelInfo, SoundList };

void trigger(ChannelStrip& s, Menu which, const char* action) {
    std::unique_ptr<QMenu> menu = which == Menu::TimeDisplay   ? s.makeTimeDisplayMenu()
                                  : which == Menu::ChannelInfo ? s.makeChannelInfoMenu()
                                                               : s.makeSoundListMenu();
    auto* a = menu->findChild<QAction*>(QLatin1String(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
}

TEST(StripMenus, EachEntryReachesTheStoreOrTheSettingsAndEveryStripFollows) {
    StripsRig w;
    ShowStore& store = w.rig.store;
    const QString cue = w.rig.silence(QStringLiteral("cue"), 1.0);
    for (int ch : {1, 7, 8})
        w.rig.loadChannel(ch, {cue});
    // After each step: time display bold on strips 21 and 4 | channel 7's label and info
    // text | the length of channel 3's | entries of channels 2, 8 and 9 and strip 8's list.
    const auto state = [&] {
        const auto bold = [&](int ch) {
            return w.strip(ch).pnlPos()->styleSheet().contains(QLatin1String("bold")) ? 'B' : '-';
        };
        return u"%1%2|%3 %4|%5|%6%7%8%9"_s.arg(bold(20))
            .arg(bold(3))
            .arg(w.strip(6).lblChannelInfo()->text(), store.controls(6).infoText)
            .arg(store.controls(2).infoText.size())
            .arg(store.soundList(1).size())
            .arg(store.soundList(7).size())
            .arg(store.soundList(8).size())
            .arg(w.strip(7).lstSoundlist()->count());
    };
    const struct {
        int ch;
        Menu menu;
        const char* action;
        std::optional<QString> answer; // to an input box
        const char* state;
    } steps[] = {
        {3, Menu::TimeDisplay, "mnuTimeBold", {}, "BB| |0|1111"}, // on every page
        {9, Menu::TimeDisplay, "mnuTimeReset", {}, "--| |0|1111"},
        {6, Menu::ChannelInfo, "mnuInputChannelInfo", u"Door cue"_s, "--|Door cue Door cue|0|1111"},
        {6, Menu::ChannelInfo, "mnuInputChannelInfo", std::nullopt, "--|Door cue Door cue|0|1111"},
        // Cut to the width a preset stores.
        {2, Menu::ChannelInfo, "mnuInputChannelInfo", QString(60, u'x'),
         "--|Door cue Door cue|50|1111"},
        {6, Menu::ChannelInfo, "mnuRemoveChannelInfo", {}, "--| |50|1111"},
        {30, Menu::ChannelInfo, "mnuResetAllInfo", {}, "--| |0|1111"},
        {7, Menu::SoundList, "mnuRemoveSoundsFromPage", {}, "--| |0|0010"}, // page 2 kept
    };
    for (const auto& step : steps) {
        if (QLatin1String(step.action) == QLatin1String("mnuInputChannelInfo"))
            w.rig.dialogs.answerInputs({step.answer});
        trigger(w.strip(step.ch), step.menu, step.action);
        EXPECT_EQ(state(), QLatin1String(step.state)) << step.action;
    }
}

TEST(MidiNoteNames, NumberPaddedToThreePlacesThenNoteAndOctave) {
    struct Case {
        bool offset;
        int note;
        const char* text;
    };
    const Case cases[] = {
        {true, 60, " 60 = C3"},  {true, 127, "127 = G8"}, {false, 60, " 60 = C5"},
        {true, 0, "  0 = C-2"},  {false, 0, "  0 = C0"},  {true, 37, " 37 = C#1"},
        {false, 11, " 11 = B0"}, {true, 12, " 12 = C-1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MidiNoteNames(c.offset)[static_cast<std::size_t>(c.note)],
                  QString::fromLatin1(c.text))
            << c.note << " offset " << c.offset;
}

// The bare number is drawn in Tahoma 8 point, the number with its notes in Small Fonts 7.
TEST(LabelChannel, NumberAloneOrWithTheMidiNotesOfBothDirections) {
    constexpr Language E = Language::English, G = Language::German;
    const struct {
        int ch;
        MidiCaptionOptions options;
        int inNote, outNote;
        Language language;
        const char* text;
    } cases[] = {
        {6, {false, true, true, true}, 36, 36, E, " 7"},
        {0, {true, true, true, true}, 36, 36, E, " 1 (IN: 36/C1 - OUT: 36/C1)"},
        // MIDI input switched off: its place says so, the output note stays.
        {2, {true, false, true, true}, 40, 40, E, " 3 (IN: Off - OUT: 40/E1)"},
        {31, {true, true, false, false}, 61, 0, G, " 32 (IN: 61/C#5 - OUT: Aus)"},
        // A note outside the MIDI range read from a damaged show never reaches the table.
        {4, {true, true, true, true}, 200, -1, E, " 5 (IN: ? - OUT: ?)"},
    };
    for (const auto& c : cases) {
        ChannelAssignments a;
        a.midiInNote = c.inNote;
        a.midiOutNote = c.outNote;
        const ChannelCaption caption = LabelChannel(c.ch, a, c.options, c.language);
        EXPECT_EQ(caption.text, QString::fromLatin1(c.text));
        EXPECT_EQ(caption.fontFamily, c.options.showMidi ? "Small Fonts" : "Tahoma") << c.text;
        EXPECT_EQ(caption.pointSize, c.options.showMidi ? 7 : 8) << c.text;
    }
}

} // namespace
} // namespace kalvor::test
