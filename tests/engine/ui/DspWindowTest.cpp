// The "DSP Effects" window as the operator uses it: a knob writes the channel record and
// reaches the effect on the playing stream at once, the switches keep the chain, the
// phase knob and VariSpeed keep their encodings, another channel reloads every control,
// and the lock ties the window's channel to the selected channel both ways; captions, and
// the processor load as the main window shows it, in both languages. Set
// KALVOR_GRAB_DIR to a folder to get pictures of the window in both languages.
#include "engine/ui/DspWindow.h"
#include "TestMedia.h"
#include "core/UiLanguage.h"
#include "engine/dsp/EffectParams.h"
#include "support/KaeRig.h"

#include <QCheckBox>
#include <QDial>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

struct WindowRig {
    KaeRig rig;
    DspWindow window{rig.store, *rig.settings};

    template <typename T> T* find(const char* name) {
        T* w = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QDial* knob(const char* name) { return find<QDial>(name); }
    QString valueShown(const char* name) {
        // The value label sits right under its dial, in the same knob widget.
        const auto labels = knob(name)->parentWidget()->findChildren<QLabel*>();
        return labels.size() == 2 ? labels[1]->text() : QString();
    }
    QStringList chainShown() {
        QStringList places;
        for (int i = 1; i <= 5; ++i)
            places << find<QLabel>(u"lblFXChain%1"_s.arg(i).toLatin1().constData())->text();
        return places;
    }
};

QString tone() {
    return testmedia::makeTone(mediaFolder(), u"dsp_tone"_s, testmedia::Format::Wav16, 44100, 2,
                               2.0, 440.0, -12.0);
}

} // namespace

TEST(DspWindow, KnobsWriteTheRecordAndReachThePlayingEffect) {
    WindowRig w;
    ASSERT_TRUE(w.rig.initResult);
    Channel& ch = w.rig.store.channel(2);
    ch.effects.fxChain = {u"---"_s, u"---"_s, u"---"_s, u"---"_s, u"---"_s};
    ASSERT_TRUE(KAE__Channel_Load_Sound(2, tone()));
    w.window.showForChannel(2);
    EXPECT_EQ(w.window.channel(), 2);

    // Switched on in the order delay, reverb; delay off closes the gap.
    w.find<QCheckBox>("chkDelay")->click();
    w.find<QCheckBox>("chkReverb")->click();
    EXPECT_EQ(w.chainShown(), (QStringList{"DELAY", "REVERB", "---", "---", "---"}));
    ASSERT_NE(ch.handles.reverb, 0);

    w.knob("knReverbMix")->setValue(-12);
    w.knob("knReverbHFRatio")->setValue(250);
    engine::dsp::DsfxWavesReverb reverb;
    ASSERT_TRUE(w.rig.lib->fxGetParameters(audio::Handle(ch.handles.reverb), &reverb));
    EXPECT_EQ(std::tuple(ch.effects.reverb.reverbMix, ch.effects.reverb.highFreqRtRatio,
                         reverb.reverbMix, reverb.highFreqRtRatio),
              std::tuple(-12.0f, 0.25f, -12.0f, 0.25f));
    EXPECT_EQ(w.valueShown("knReverbMix"), u"-12 dB"_s);
    w.find<QCheckBox>("chkDelay")->click();
    EXPECT_EQ(w.chainShown(), (QStringList{"REVERB", "---", "---", "---", "---"}));
    EXPECT_EQ(ch.handles.delay, 0);

    // Phase: lowest knob position stores 0, the middle 2; the first waveform button is 1.
    w.knob("knChorusPhase")->setValue(w.knob("knChorusPhase")->minimum());
    EXPECT_EQ(ch.effects.chorus.phase, 0);
    w.knob("knChorusPhase")->setValue(0);
    EXPECT_EQ(ch.effects.chorus.phase, 2);
    w.find<QRadioButton>("optFlangerTriangle")->click();
    EXPECT_EQ(ch.effects.flanger.waveform, 0);
    w.find<QRadioButton>("optFlangerSine")->click();
    EXPECT_EQ(ch.effects.flanger.waveform, 1);
    w.find<QCheckBox>("chkPanDelay")->click();
    EXPECT_EQ(ch.effects.delay.panDelay, 1);

    // VariSpeed: the record, the playback frequency and the stream's own frequency.
    w.knob("knVariSpeed")->setValue(10);
    EXPECT_EQ(std::tuple(ch.variSpeed, ch.playbackFrequency, KAE__Channel_GetFrequency(2)),
              std::tuple(10, 48510, 48510));
    EXPECT_EQ(w.valueShown("knVariSpeed"), u"10%"_s);
}

TEST(DspWindow, AnotherChannelReloadsEveryControl) {
    WindowRig w;
    Channel& other = w.rig.store.channel(6);
    other.effects.flangerActive = true;
    other.effects.flanger.depth = 37;
    other.effects.flanger.phase = 4;
    other.effects.fxChain = {u"FLANGER"_s, u"EQ"_s, u"---"_s, u"---"_s, u"---"_s};
    other.variSpeed = -20;
    w.window.showForChannel(0);
    w.find<QSpinBox>("updChannel")->setValue(7);
    EXPECT_EQ(w.window.channel(), 6);
    EXPECT_TRUE(w.find<QCheckBox>("chkFlanger")->isChecked());
    EXPECT_FALSE(w.find<QCheckBox>("chkReverb")->isChecked());
    EXPECT_EQ(std::tuple(w.knob("knFlangerDepth")->value(), w.knob("knFlangerPhase")->value(),
                         w.knob("knVariSpeed")->value()),
              std::tuple(37, 2, -20));
    EXPECT_EQ(w.chainShown(), (QStringList{"FLANGER", "EQ", "---", "---", "---"}));
    // A recall changing the record while the window shows it is shown at once.
    other.effects.flanger.depth = 80;
    w.rig.store.announceChannel(6, ChannelAspect::Effects);
    EXPECT_EQ(w.knob("knFlangerDepth")->value(), 80);
}

TEST(DspWindow, LockedChannelNumbersFollowBothWays) {
    WindowRig w;
    w.window.showForChannel(0);
    auto* select = w.find<QSpinBox>("updChannel");
    w.rig.store.selectChannel(4);
    EXPECT_EQ(w.window.channel(), 0) << "not locked: the window keeps its channel";
    select->setValue(3);
    EXPECT_EQ(w.rig.store.selectedChannel(), 4);

    w.find<QCheckBox>("chkLockChannels")->click();
    w.rig.store.selectChannel(11);
    EXPECT_EQ(w.window.channel(), 11);
    EXPECT_EQ(select->value(), 12);
    select->setValue(20);
    EXPECT_EQ(w.rig.store.selectedChannel(), 19);
}

TEST(DspWindow, CaptionsFollowTheLanguage) {
    WindowRig w;
    w.window.showForChannel(0);
    const QByteArray grabs = qgetenv("KALVOR_GRAB_DIR");
    // The load reads as the main window's: the same caption and a whole number.
    using Row = std::tuple<Language, const char*, const char*, const char*, const char*>;
    const Row cases[] = {
        {Language::German, "DSP Effekte", "Kanalnummern verbinden", "Schliessen",
         "^CPU Last: \\d+ %$"},
        {Language::English, "DSP Effects", "Lock channel numbers", "Close", "^CPU Load: \\d+ %$"},
    };
    for (const auto& [language, title, lock, close, load] : cases) {
        UiLanguage::instance().set(language);
        EXPECT_EQ(w.window.windowTitle(), QLatin1String(title));
        EXPECT_EQ(w.find<QCheckBox>("chkLockChannels")->text(), QString::fromUtf8(lock));
        EXPECT_EQ(w.find<QPushButton>("cmdClose")->text(), QLatin1String(close));
        const QString shown = w.find<QLabel>("lblCPULoad")->text();
        EXPECT_TRUE(QRegularExpression(QLatin1String(load)).match(shown).hasMatch())
            << shown.toStdString();
        if (!grabs.isEmpty())
            w.window.grab().save(QString::fromLocal8Bit(grabs) +
                                 u"/dsp_%1.png"_s.arg(language == Language::German ? "de" : "en"));
    }
}
