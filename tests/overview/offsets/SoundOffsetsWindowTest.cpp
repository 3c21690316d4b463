// The "Sound Offsets" window on the offscreen platform over a show on the offline device; its
// title names the channel and its sound, in both languages, with or without a sound.
#include "overview/ui/SoundOffsetsWindow.h"
#include "core/UiLanguage.h"
#include "support/ShowRig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(SoundOffsetsWindow, DigitsSamplesAndPresetsEditTheChannelsOffset) {
    ShowRig rig;
    rig.loadChannel(0, {testmedia::makeSilence(rig.folder, QStringLiteral("sixty"),
                                               testmedia::Format::Wav16, kRate, 2, 60.0)});
    SoundOffsetsWindow w(*rig.show, *rig.settings);
    w.showChannel(0);
    EXPECT_TRUE(w.syncRunning());
    const std::int32_t& offset = rig.store.assignments(0).startOffset;
    struct Case {
        const char* what;
        std::function<void()> act;
        std::int32_t offset;
        const char* time;
    };
    const Case cases[] = {
        {"one millisecond up", [&] { w.spin(OffsetDigit::Milliseconds, true); }, 44,
         "00 : 00 : 00 : 000"},
        {"one second up", [&] { w.spin(OffsetDigit::Seconds, true); }, kRate + 44,
         "00 : 00 : 01 : 000"},
        {"one hour up stops five seconds before the end", [&] { w.spin(OffsetDigit::Hours, true); },
         55 * kRate, "00 : 00 : 55 : 000"},
        {"a negative value typed",
         [&] {
             w.txtSamples()->setText(QStringLiteral("-5"));
             Q_EMIT w.txtSamples()->editingFinished();
         },
         0, "00 : 00 : 00 : 000"},
        {"samples typed",
         [&] {
             w.txtSamples()->setText(QString::number(65 * kRate / 2));
             Q_EMIT w.txtSamples()->editingFinished();
         },
         65 * kRate / 2, "00 : 00 : 32 : 500"},
        {"the slider's arrow key",
         [&] { w.sldPosition()->triggerAction(QSlider::SliderPageStepAdd); }, 64 * 60 * kRate / 100,
         "00 : 00 : 38 : 400"},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(offset, c.offset) << c.what;
        EXPECT_EQ(w.txtSamples()->text(), QString::number(c.offset)) << c.what;
        EXPECT_EQ(w.lblOffsetTime()->text(), QLatin1String(c.time)) << c.what;
    }

    // Presets: an empty entry loads 0; a saved one comes back; clearing asks first.
    QListWidget* list = w.lstPresets();
    ASSERT_EQ(list->count(), 20);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("3. ---"));
    list->setCurrentRow(2);
    w.txtPresetInfo()->setText(QStringLiteral("storm"));
    QTest::mouseClick(w.button(QStringLiteral("cmdPresetSave")), Qt::LeftButton);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("3. sixty"));
    QTest::mouseClick(w.button(QStringLiteral("cmdReset")), Qt::LeftButton);
    EXPECT_EQ(offset, 0);
    QTest::mouseClick(w.button(QStringLiteral("cmdPresetLoad")), Qt::LeftButton);
    EXPECT_EQ(offset, 64 * 60 * kRate / 100);
    rig.dialogs.answerMessages({MessageResult::No, MessageResult::Yes});
    QTest::mouseClick(w.button(QStringLiteral("cmdPresetClear")), Qt::LeftButton);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("3. sixty")) << "answered No";
    QTest::mouseClick(w.button(QStringLiteral("cmdPresetClear")), Qt::LeftButton);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("3. ---"));
    ASSERT_EQ(rig.dialogs.messages().size(), 2);
    EXPECT_EQ(rig.dialogs.messages().at(0).title, QStringLiteral("Clear Preset"));
    EXPECT_EQ(rig.dialogs.messages().at(0).text, QStringLiteral("Clear this Start-Offset Preset?"));
    QTest::mouseClick(w.button(QStringLiteral("cmdPresetLoad")), Qt::LeftButton);
    EXPECT_EQ(offset, 0) << "an empty entry loads 0";

    // A channel without a sound: nothing to edit, empty fields.
    w.showChannel(5);
    EXPECT_FALSE(w.button(QStringLiteral("cmdCapture"))->isEnabled());
    EXPECT_EQ(w.txtSamples()->text(), QStringLiteral("0"));
    EXPECT_EQ(w.lblOffsetTime()->text(), QStringLiteral("00 : 00 : 00 : 000"));
    w.spin(OffsetDigit::Seconds, true);
    EXPECT_EQ(rig.store.assignments(5).startOffset, 0);
    w.close();
    EXPECT_FALSE(w.syncRunning()) << "the 10 ms timer runs only while the window is open";
}

TEST(Screenshots, SoundOffsetsWindow) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    ShowRig rig;
    rig.loadChannel(3, {testmedia::makeSilence(rig.folder, QStringLiteral("Thunder roll"),
                                               testmedia::Format::Wav16, kRate, 2, 90.0)});
    rig.show->offsets().SetStartOffset(3, 65 * kRate + kRate / 4);
    for (Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        SoundOffsetsWindow w(*rig.show, *rig.settings);
        w.showChannel(3);
        w.resize(w.sizeHint());
        QTest::qWait(20);
        w.grab().save(
            dir +
            QStringLiteral("/offsets-%1.png").arg(language == Language::English ? u"en" : u"de"));
    }
    UiLanguage::instance().set(Language::English);
}

TEST(SoundOffsetsWindow, TitleNamesTheChannelAndItsSound) {
    ShowRig rig;
    rig.loadChannel(31, {rig.silence(QStringLiteral("Thunder"), 8.0)});
    SoundOffsetsWindow w(*rig.show, *rig.settings);
    struct Case {
        Language language;
        int ch;
        const char* title;
    };
    const Case cases[] = {
        {Language::English, 31, "Sound Offsets: Channel 32 (Thunder) "},
        {Language::German, 31, "Sound Offsets: Kanal 32 (Thunder) "},
        {Language::English, 2, "Sound Offsets: Channel 3 (no sound) "},
        {Language::German, 2, "Sound Offsets: Kanal 3 (kein Sound) "},
    };
    for (const Case& c : cases) {
        UiLanguage::instance().set(c.language);
        w.showChannel(c.ch);
        EXPECT_EQ(w.windowTitle(), QString::fromUtf8(c.title));
    }
    UiLanguage::instance().set(Language::English);
}

// A cue armed and then left before it fired (the window closed, or the channel stopped
// from elsewhere): when the channel plays later, maybe in the middle of the show, that
// sound is not caught and stopped.
TEST(SoundOffsetsWindow, ACueLeftBeforeItFiredNeverStopsTheChannelLater) {
    for (const bool closeWindow : {true, false}) {
        ShowRig rig;
        rig.loadChannel(0, {rig.tone(QStringLiteral("tone"), 8.0)});
        SoundOffsetsWindow w(*rig.show, *rig.settings);
        w.showChannel(0);
        w.updCueLevel()->setValue(-40);
        ASSERT_TRUE(w.autoCue().arm(0, false));
        if (closeWindow) {
            w.close();
            rig.renderMs(100);
            w.showChannel(0);
        } else {
            rig.show->playback().StopChannel(0); // the main window's STOP
            w.syncTick();
            rig.show->playback().PressPlay(0);
        }
        rig.renderMs(20);
        w.syncTick();
        EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << closeWindow;
        EXPECT_EQ(rig.store.assignments(0).startOffset, 0) << closeWindow;
    }
}
