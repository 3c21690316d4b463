// Grabs the four panels to PNG files in English and German, on a show with a sound
// playing, so their look can be checked without a display. Not a test.
// Usage: mainwindow_panels_shots OUTPUT_FOLDER
#include "support/ShowRig.h"

#include "core/RecentPlaylists.h"
#include "core/UiLanguage.h"
#include "mainwindow/ui/BoothStyle.h"
#include "mainwindow/ui/GlobalPlaybackPanel.h"
#include "mainwindow/ui/PlaylistSelector.h"
#include "mainwindow/ui/PresetPanel.h"
#include "mainwindow/ui/SoundOptionsPanel.h"

#include <QApplication>
#include <QGridLayout>

namespace kalvor::test {
void setUpTestHome();
void tearDownTestHome();
} // namespace kalvor::test

using namespace kalvor;

int main(int argc, char** argv) {
    test::setUpTestHome();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyBoothStyle(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    {
        test::ShowRig rig;
        rig.loadChannel(2, {rig.tone(QStringLiteral("Thunder.wav"), 5.0)});
        Channel& c = rig.store.channel(2);
        c.volume = 94;
        c.pan = -25;
        c.fadeIn = {2000, true, 2};
        c.fadeOut = {5000, false, 3};
        c.effects.eqActive = true;
        c.effects.eq = {EqBand{125, 12, 4}, EqBand{1000, 8, -3}, EqBand{8000, 12, 2}};
        const char* names[] = {"Pre-show music", "Doors", "Act 1 - Storm", "Act 1 - Rain",
                               "Interval"};
        for (const char* n : names) {
            rig.show->presets().NewPreset();
            rig.store.presets().rename(rig.store.presets().count() - 1, QString::fromUtf8(n));
        }
        rig.store.presets().setSelected(2);
        rig.show->recall().setIgnoreAutostartOnce(true);
        rig.show->recall().RecallPreset();
        rig.store.presets().setSelected(3);
        rig.store.announcePresets();
        RecentPlaylists recent;
        recent.append(QStringLiteral("Tempest - Main House"), QStringLiteral("/shows/t.kal"));
        recent.append(QStringLiteral("Tempest - Tour"), QStringLiteral("/shows/u.kal"));
        recent.selectByProgram(0);

        QWidget window;
        auto* grid = new QGridLayout(&window);
        auto* options = new SoundOptionsPanel(*rig.show, *rig.settings, &window);
        auto* presets = new PresetPanel(*rig.show, *rig.settings, &window);
        auto* global = new GlobalPlaybackPanel(*rig.show, &window);
        auto* selector = new PlaylistSelector(*rig.show, recent, &window);
        grid->addWidget(selector, 0, 0);
        grid->addWidget(presets, 1, 0);
        grid->addWidget(global, 2, 0);
        grid->addWidget(options, 0, 1, 3, 1);
        rig.store.selectChannel(2);
        rig.show->playback().PressPlay(2);
        rig.renderMs(60);
        window.resize(window.sizeHint().expandedTo(QSize(1100, 420)));
        window.show();
        for (Language lang : {Language::English, Language::German}) {
            UiLanguage::instance().set(lang);
            QApplication::processEvents();
            options->tickMeters();
            options->tickCpuLoad();
            const QString suffix =
                lang == Language::English ? QStringLiteral("en") : QStringLiteral("de");
            const std::pair<QWidget*, const char*> shots[] = {{options, "options"},
                                                              {presets, "presets"},
                                                              {global, "global"},
                                                              {selector, "playlist"},
                                                              {&window, "all"}};
            for (const auto& [widget, name] : shots)
                widget->grab().save(
                    QStringLiteral("%1/panels-%2-%3.png").arg(out, QLatin1String(name), suffix));
        }
        UiLanguage::instance().set(Language::English);
    }
    test::tearDownTestHome();
    return 0;
}
