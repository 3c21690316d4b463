// Pictures for looking at the layout, at both window sizes of the booth in both languages:
// the main window with a show loaded, the Log page with 30 entries and its printed page.
// Runs only when KALVOR_SHOTS_DIR names a folder.
#include "StripsRig.h"

#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/BoothStyle.h"
#include "mainwindow/ui/LogPrint.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kalvor::test {
namespace {

void buildShow(StripsRig& w) {
    const char* const names[] = {"Overture",      "Thunder Roll", "Rain Loop", "Door Knock",
                                 "Phone Ring",    "Crowd Murmur", "Wind Howl", "Clock Tower",
                                 "Birdsong Dawn", "Car Passing",  "Owl Hoots", "Finale Swell"};
    QStringList files;
    int i = 0;
    for (const char* n : names)
        files << w.rig.silence(QString::fromLatin1(n), 20.0 + 37.0 * i++);
    for (int ch = 0; ch < 8; ++ch) {
        QStringList list;
        for (int k = 0; k < 1 + (ch * 5) % 6; ++k)
            list << files[(ch + k) % files.size()];
        w.rig.loadChannel(ch, list, 0);
    }
    ShowStore& s = w.rig.store;
    s.setChannelInfo(0, QStringLiteral("Act 1 opening"), 0);
    s.setChannelInfo(2, QStringLiteral("Storm FX"), 0x00ffff);
    s.setChannelInfo(5, QStringLiteral("Scene 4"), 0);
    s.controls(2).loopMode = 1;
    s.controls(1).pauseMode = 1;
    s.controls(3).restartMode = 1;
    s.controls(4).playGroup = QStringLiteral("2");
    s.controls(5).stopGroup = QStringLiteral("1");
    s.controls(6).autostart = 1;
    s.controls(7).jumpMode = 1;
    for (int ch = 0; ch < 8; ++ch)
        s.announceChannel(ch, ChannelAspect::Controls);
    ChannelPlayback& p = w.rig.show->playback();
    p.PressPlay(0);
    KAE__Channel_SetPositionInSec(0, 8);
    p.PressPlay(1);
    KAE__Channel_SetPositionInSec(1, 21);
    p.PressPlay(1); // paused
    p.PressPlay(2);
    KAE__Channel_SetPositionInSec(2, 61);
    p.PressPlay(3);
    KAE__Channel_SetPositionInSec(3, 126); // near its end
    p.tickButtonColours();
    PresetEditor& presets = w.rig.show->presets();
    const char* const scenes[] = {"Prologue", "Act 1 - Storm", "Act 1 - Knock at the door",
                                  "Act 2 - Dawn", "Finale"};
    for (const char* scene : scenes) {
        presets.NewPreset();
        s.presets().rename(s.presets().count() - 1, QString::fromLatin1(scene));
    }
    s.presets().setSelected(1);
    s.presets().setCurrent(1);
    s.announcePresets();
    s.selectChannel(4);
    w.rig.show->offsets().SetStartOffset(5, 8000 * 3); // its strip shows the offset mark
    for (int ch = 0; ch < 8; ++ch)
        w.strip(ch).refreshTimes();
}

void buildLog(StripsRig& w) {
    fillLog(w.window->playLog().log(), 30);
    w.window->playLog().setLoggingOn(true);
    w.window->channelTabs()->setCurrentIndex(w.window->channelTabs()->count() - 1);
}

// The first printed page of the log at 100 dpi on A4, as the PDF shows it.
void printLog(StripsRig& w, const QString& file) {
    QImage page(827, 1169, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(3937);
    page.setDotsPerMeterY(3937);
    QPainter p(&page);
    paintLogPage(p, w.window->playLog().log(), 0, page.rect(), 100, {});
    p.end();
    EXPECT_TRUE(page.save(file)) << file.toStdString();
}

TEST(Screenshots, MainWindowAndLogPage) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    QDir().mkpath(dir);
    applyBoothStyle(*qApp);
    const struct {
        const char* prefix;
        void (*build)(StripsRig&);
        void (*perLanguage)(StripsRig&, const QString& file);
    } shots[] = {{"main", buildShow, nullptr}, {"log", buildLog, printLog}};
    for (const auto& shot : shots) {
        StripsRig w;
        shot.build(w);
        w.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
        grabAtBoothSizes(w, dir, shot.prefix, [&](const QString& lang) {
            if (shot.perLanguage)
                shot.perLanguage(
                    w, u"%1/%2-print-%3.png"_s.arg(dir, QLatin1String(shot.prefix), lang));
        });
    }
}

} // namespace
} // namespace kalvor::test
