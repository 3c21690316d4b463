// The channel settings panel, the preset panel, the global playback buttons and the
// playlist selector, driven through their real controls on a show rendered offline.
#include "support/ShowRig.h"

#include "core/RecentPlaylists.h"
#include "engine/kae/SurroundDestinations.h"
#include "mainwindow/ChannelTexts.h"
#include "mainwindow/ui/GlobalPlaybackPanel.h"
#include "mainwindow/ui/PanelWidgets.h"
#include "mainwindow/ui/PlaylistSelector.h"
#include "mainwindow/ui/PresetPanel.h"
#include "mainwindow/ui/SoundOptionsPanel.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kalvor::test {
namespace {

template <typename T> T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

struct PanelRig : ShowRig {
    SoundOptionsPanel panel{*show, *settings, nullptr};
    ~PanelRig() { UiLanguage::instance().set(Language::English); }
};

TEST(ChannelTexts, VolumeAndPanTextsThroughTheRealControls) {
    PanelRig rig;
    rig.store.selectChannel(4);
    auto* slider = child<QSlider>(rig.panel, "sldVolume");
    auto* knob = child<Knob>(rig.panel, "knPan");
    const Channel& c = rig.store.channel(4);
    const auto shown = [&] {
        return u"%1 %2 %3 %4"_s.arg(c.volume)
            .arg(child<QLabel>(rig.panel, "lblVolume")->text())
            .arg(c.pan)
            .arg(child<QLabel>(rig.panel, "lblPan")->text());
    };
    slider->setValue(1);
    knob->setValue(-25);
    EXPECT_EQ(shown(), u"1 -99dB -25 L25"_s);
    slider->setValue(94);
    knob->setValue(100);
    EXPECT_EQ(shown(), u"94 -6dB 100 R100"_s);
    slider->setValue(100);
    QTest::mouseClick(knob, Qt::RightButton); // back to the centre
    EXPECT_EQ(shown(), u"100 0dB 0 C"_s);
}

// The three lines joined by " | ".
TEST(ChannelTexts, SoundInfoLinesInBothLanguages) {
    const struct {
        int bits, channels, rate;
        Language language;
        const char* lines;
    } rows[] = {
        {16, 1, 44100, Language::English,
         "File Bits: 16 | File Channels: 1 (Mono) | File Samplerate: 44100"},
        {16, 4, 44100, Language::German,
         "Datei Bits: 16 | Datei Kanäle: 4 (Quadro) | Datei Samplerate: 44100"},
        {32, 8, 96000, Language::English,
         "File Bits: 32 | File Channels: 8 (7.1) | File Samplerate: 96000"},
        {16, 0, 44100, Language::English, "File Bits: - | File Channels: - | File Samplerate: -"},
    };
    for (const auto& r : rows) {
        const SoundInfoLines l = DisplaySoundInfo(r.bits, r.channels, r.rate, r.language);
        EXPECT_EQ(QStringList({l.bits, l.channels, l.sampleRate}).join(QStringLiteral(" | ")),
                  QString::fromUtf8(r.lines));
    }
}

TEST(SoundOptionsPanel, ShowsTheSelectedChannelAndFollowsTheLanguage) {
    PanelRig rig;
    rig.loadChannel(2, {rig.tone(u"a.wav"_s, 1.0)});
    const auto shown = [&] {
        return rig.panel.title() + u" | "_s + child<QLabel>(rig.panel, "lblFileChannels")->text();
    };
    rig.store.selectChannel(2);
    EXPECT_EQ(shown(), u"Channel 3 | File Channels: 2 (Stereo)"_s);
    UiLanguage::instance().set(Language::German);
    rig.store.selectChannel(7); // nothing loaded there
    EXPECT_EQ(shown(), u"Kanal 8 | Datei Kanäle: -"_s);
}

TEST(SoundOptionsPanel, MetersFollowTheVolumeOnlyWhilePlaying) {
    PanelRig rig;
    // A -6 dBFS tone peaks at half scale: the meters show half the volume slider.
    rig.loadChannel(0, {rig.tone(QStringLiteral("m.wav"), 2.0)});
    rig.store.selectChannel(0);
    rig.renderMs(50);
    rig.panel.tickMeters();
    EXPECT_EQ(std::pair(rig.panel.meterLeft(), rig.panel.meterRight()), std::pair(0, 0));

    rig.show->playback().PressPlay(0);
    const struct {
        int volume;
        int meter;
    } rows[] = {{100, 50}, {60, 30}};
    for (const auto& row : rows) {
        child<QSlider>(rig.panel, "sldVolume")->setValue(row.volume);
        rig.renderMs(50);
        rig.panel.tickMeters();
        EXPECT_NEAR(rig.panel.meterLeft(), row.meter, 1) << row.volume;
        EXPECT_NEAR(rig.panel.meterRight(), row.meter, 1) << row.volume;
    }
}

TEST(ChannelTexts, MeterScalingAndTheNoReadingValue) {
    const struct {
        bool playing;
        std::uint32_t level;
        int volume;
        std::optional<int> left, right;
    } rows[] = {
        {true, (32767u << 16) | 32767u, 100, 100, 100},
        {true, (16384u << 16) | 8192u, 80, 20, 40},
        {true, (32768u << 16) | 16384u, 100, 50, std::nullopt}, // right side unchanged
        {true, 32768u, 100, std::nullopt, 0},
        {false, (32767u << 16) | 32767u, 100, 0, 0},
    };
    for (const auto& r : rows) {
        const MeterReading m =
            meterReading(r.playing, static_cast<std::int32_t>(r.level), r.volume);
        EXPECT_EQ(m.left, r.left) << r.level;
        EXPECT_EQ(m.right, r.right) << r.level;
    }
}

TEST(SoundOptionsPanel, FadeTimeCountsOnlyAfterTheListWasOpened) {
    PanelRig rig;
    rig.store.channel(1).fadeIn.time = 2000;
    rig.store.selectChannel(1);
    auto* list = child<ArmedComboBox>(rig.panel, "cmbFadeInTime");
    EXPECT_EQ(list->currentText(), QStringLiteral("2 sec."));

    list->setCurrentIndex(10); // set from code: not a choice
    EXPECT_EQ(rig.store.channel(1).fadeIn.time, 2000);
    list->showPopup();
    list->setCurrentIndex(2);
    list->hidePopup();
    EXPECT_EQ(rig.store.channel(1).fadeIn.time, 500);
    list->setCurrentIndex(12); // the mark went with the choice
    EXPECT_EQ(rig.store.channel(1).fadeIn.time, 500);
    list->showPopup(); // opened and closed without a choice
    list->hidePopup();
    QCoreApplication::processEvents();
    list->setCurrentIndex(13);
    EXPECT_EQ(rig.store.channel(1).fadeIn.time, 500);
    list->setCurrentIndex(12);

    // A time no entry stands for leaves the list where it was.
    rig.store.channel(1).fadeIn.time = 1234;
    rig.store.selectChannel(1);
    EXPECT_EQ(list->currentIndex(), 12);
    EXPECT_EQ(rig.store.channel(1).fadeIn.time, 1234);
}

TEST(SoundOptionsPanel, DestinationRefusedForTheWrongKindOfSound) {
    const struct {
        int fileChannels;
        int entry;
        const char* refusal; // empty: accepted
    } rows[] = {
        {1, 2, "Stereo routing not allowed for Mono sounds!"},
        {2, 6, "Mono routing not allowed for Stereo sounds!"},
        {1, 6, ""},
        {2, 3, ""},
    };
    for (const auto& r : rows) {
        PanelRig rig;
        rig.store.channel(5).fileChannels = r.fileChannels;
        rig.store.channel(5).surroundDestination = 0x1000000; // front pair
        rig.store.selectChannel(5);
        auto* list = child<ArmedComboBox>(rig.panel, "cmbSurroundDestination");
        const int before = list->currentIndex();
        list->showPopup();
        list->setCurrentIndex(r.entry);
        list->hidePopup();
        const bool refused = *r.refusal;
        EXPECT_EQ(rig.dialogs.messages().value(0).text, QString::fromLatin1(r.refusal)) << r.entry;
        EXPECT_EQ(list->currentIndex() == before, refused) << r.entry;
        EXPECT_EQ(static_cast<std::uint32_t>(rig.store.channel(5).surroundDestination),
                  refused ? 0x1000000u : engine::surroundDestinationFlags(r.entry));
    }
}

TEST(SoundOptionsPanel, DestinationTheDeviceCannotTakeFallsBackToAllChannels) {
    PanelRig rig;
    const QString file = testmedia::makeTone(rig.folder, QStringLiteral("mono.wav"),
                                             testmedia::Format::Wav16, kRate, 1, 2.0, 440.0, -6.0);
    rig.loadChannel(6, {file});
    ASSERT_EQ(rig.store.channel(6).fileChannels, 1);
    rig.show->playback().PressPlay(6);
    rig.store.selectChannel(6);
    QFile::remove(file); // the reload on the new destination cannot succeed

    auto* list = child<ArmedComboBox>(rig.panel, "cmbSurroundDestination");
    list->showPopup();
    list->setCurrentIndex(9); // "Mono -> Center"
    list->hidePopup();
    ASSERT_GE(rig.dialogs.messages().size(), 1);
    EXPECT_TRUE(rig.dialogs.messages()[0].text.contains(u"\r\nMono -> Center\r\n"_s));
    EXPECT_EQ(std::tuple(rig.store.channel(6).surroundDestination, list->currentIndex(),
                         rig.show->playback().buttonColour(6), KAE__Channel_IsPlaying(6)),
              std::tuple(0, 0, ButtonColour::Off, false));
}

TEST(SoundOptionsPanel, EqualiserBoxAndBandsReachTheChannel) {
    PanelRig rig;
    rig.loadChannel(3, {rig.tone(QStringLiteral("eq.wav"), 2.0)});
    Channel& c = rig.store.channel(3);
    c.effects.fxChain.fill(emptyFxPlace());
    c.effects.eq = {EqBand{125, 12, 0}, EqBand{1000, 12, 0}, EqBand{8000, 12, 0}};
    rig.store.selectChannel(3);
    EXPECT_EQ(c.effects.eq[1].gain, 0.0f); // filling the panel writes nothing back

    QTest::mouseClick(child<QCheckBox>(rig.panel, "chkEQActive"), Qt::LeftButton);
    EXPECT_TRUE(c.effects.eqActive && c.effects.fxChain[0] == QLatin1String("EQ"));
    EXPECT_NE(c.handles.eq[1], 0);

    child<Knob>(rig.panel, "knEQMidGain")->setValue(6);
    child<QSpinBox>(rig.panel, "updEQHiFreq")->setValue(6000);
    child<QSpinBox>(rig.panel, "updEQLoWidth")->setValue(20);
    EXPECT_EQ(std::tuple(c.effects.eq[1].gain, c.effects.eq[2].center, c.effects.eq[0].bandwidth),
              std::tuple(6.0f, 6000.0f, 20.0f));
    EXPECT_EQ(child<QLabel>(rig.panel, "lblEQMidGain")->text(), QStringLiteral("+6 dB"));

    QTest::mouseClick(child<QCheckBox>(rig.panel, "chkEQActive"), Qt::LeftButton);
    EXPECT_FALSE(c.effects.eqActive || c.effects.fxChain[0] != emptyFxPlace() || c.handles.eq[1]);
}

// A show of three presets; channel 0 plays a tone with Autostart in presets 1 and 2.
struct PresetRig : ShowRig {
    PresetPanel panel{*show, *settings, nullptr};

    PresetRig() {
        loadChannel(0, {tone(QStringLiteral("p.wav"), 5.0)});
        for (int i = 0; i < 3; ++i) {
            store.controls(0).autostart = i == 0 ? 0 : 1;
            store.channel(0).volume = 70 + i;
            show->presets().NewPreset();
        }
        store.presets().setSelected(0);
        show->recall().RecallPreset();
    }
    QToolButton* button(const char* name) { return child<QToolButton>(panel, name); }
};

TEST(PresetPanel, ButtonsReachTheShowLayerWithTheirModifiers) {
    PresetRig rig;
    QListWidget* list = rig.panel.list();
    // After each click: current preset, list row, channel 0's volume, playing or not.
    const auto shown = [&] {
        return u"%1 %2 %3 %4"_s.arg(rig.store.presets().current())
            .arg(list->currentRow())
            .arg(rig.store.channel(0).volume)
            .arg(KAE__Channel_IsPlaying(0));
    };
    const struct {
        const char* button;
        Qt::KeyboardModifiers mods;
        int volumeBefore; // set on the channel before the click
        const char* after;
    } clicks[] = {
        {"cmdNextScene", Qt::ShiftModifier, 70, "1 1 71 0"}, // on without its autostarts
        {"cmdNextScene", {}, 71, "2 2 72 1"},
        {"cmdPreviousScene", {}, 72, "1 1 71 1"},
        {"cmdStoreScene", {}, 40, "1 1 40 1"},
        {"cmdRecallScene", {}, 90, "1 1 40 1"}, // brings back what Store wrote
        {"cmdNewScene", {}, 40, "1 3 40 1"},
    };
    for (const auto& c : clicks) {
        rig.store.channel(0).volume = c.volumeBefore;
        QTest::mouseClick(rig.button(c.button), Qt::LeftButton, c.mods);
        EXPECT_EQ(shown(), QLatin1String(c.after)) << c.button;
    }
    // A click into the list recalls that preset; keys move the selection only.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(std::pair(rig.store.presets().current(), rig.store.presets().selected()),
              std::pair(0, 1));
}

TEST(PresetPanel, ListMenuAndFont) {
    PresetRig rig;
    rig.store.presets().setSelected(1);
    rig.dialogs.answerMessages({MessageResult::Yes});
    rig.panel.listMenu()->findChild<QAction*>(QStringLiteral("mnuSceneRemove"))->trigger();
    EXPECT_EQ(rig.panel.list()->count(), 2);

    rig.settings->setText(u"SceneListFontName", QStringLiteral("DejaVu Sans"));
    rig.settings->setText(u"SceneListFontSize", QStringLiteral("12,5"));
    rig.settings->setText(u"SceneListFontBold", QStringLiteral("1"));
    rig.panel.applyListFont();
    EXPECT_DOUBLE_EQ(rig.panel.list()->font().pointSizeF(), 12.5);
    EXPECT_TRUE(rig.panel.list()->font().bold());
}

TEST(GlobalPlaybackPanel, ButtonsDriveTheRollbackChannels) {
    ShowRig rig;
    GlobalPlaybackPanel panel(*rig.show, nullptr);
    rig.loadChannel(3, {rig.tone(QStringLiteral("g.wav"), 3.0)});
    rig.loadChannel(4, {rig.tone(QStringLiteral("h.wav"), 3.0)});
    rig.store.controls(3).rollback = 1;
    QTest::mouseClick(child<QToolButton>(panel, "cmd_Play"), Qt::LeftButton);
    EXPECT_TRUE(KAE__Channel_IsPlaying(3));
    EXPECT_FALSE(KAE__Channel_IsPlaying(4));
    rig.renderMs(100);
    QTest::mouseClick(child<QToolButton>(panel, "cmd_Pause"), Qt::LeftButton);
    EXPECT_TRUE(KAE__Channel_IsPaused(3));
}

struct PlaylistRig : ShowRig {
    RecentPlaylists recent;
    PlaylistSelector selector{*show, recent, nullptr};
    QString saved;

    PlaylistRig() {
        show->presets().NewPreset();
        saved = folder + QStringLiteral("/Show.kal");
        EXPECT_EQ(show->playlists().SavePlaylist(saved, false), playlist::SaveOutcome::Saved);
        store.setPlaylistPath({});
        recent.clear();
        recent.append(QStringLiteral("Gone"), folder + QStringLiteral("/gone.kal"));
        // Written on another system: the letter case differs from the file on disk.
        recent.append(QStringLiteral("Show"), folder + QStringLiteral("/SHOW.KAL"));
        dialogs.clear();
    }
};

TEST(PlaylistSelector, ChoosingLoadsOrSaysTheFileIsMissing) {
    PlaylistRig rig;
    bool enabledDuringLoad = true;
    rig.show->playlists().hooks().showRemotePresetScreen = [&] {
        enabledDuringLoad = rig.selector.isOpenForInput();
    };
    EXPECT_FALSE(rig.selector.step(-1)); // nothing before the first entry
    EXPECT_TRUE(rig.selector.step(+1));  // "Gone"
    EXPECT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_TRUE(rig.store.playlistPath().isEmpty() && rig.selector.isOpenForInput());

    EXPECT_TRUE(rig.selector.step(+1)); // "Show"
    EXPECT_EQ(rig.store.playlistPath(), rig.saved);
    EXPECT_TRUE(!enabledDuringLoad && rig.selector.isOpenForInput());
    EXPECT_FALSE(rig.selector.step(+1)); // nothing after the last
}

TEST(PlaylistSelector, ASelectionByTheProgramLoadsNothing) {
    PlaylistRig rig;
    rig.recent.selectByProgram(1);
    EXPECT_EQ(rig.selector.selector()->currentIndex(), 1);
    EXPECT_TRUE(rig.store.playlistPath().isEmpty() && rig.dialogs.messages().isEmpty());
}

} // namespace
} // namespace kalvor::test
