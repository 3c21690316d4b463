// Grabs the four panels to PNG files in English and German, on a show with a sound
// playing, so their look can be checked without a display. Not a test.
// Usage: mainwindow_panels_shots OUTPUT_FOLDER
#include "support/ShowRig.h"

#include "core/RecentPlaylists.h"
#include "core/UiLanguage.h"
#include "mainwindow/ui/GlobalPlaybackPanel.h"
#include "mainwindow/ui/PlaylistSelector.h"
#include "mainwindow/ui/PresetPanel.h"
#include "mainwindow/ui/SoundOptionsPanel.h"

#include <QApplication>
#include <QGridLayout>
#include <QPalette>
#include <QStyleFactory>

namespace kalvor::test {
void setUpTestHome();
void tearDownTestHome();
} // namespace kalvor::test

using namespace kalvor;

namespace {

void darkBooth(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
    p.setColor(QPalette::Text, QColor(225, 225, 225));
    p.setColor(QPalette::Button, QColor(58, 58, 62));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(60, 130, 200));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Mid, QColor(90, 90, 95));
    p.setColor(QPalette::Shadow, QColor(10, 10, 10));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    app.setPalette(p);
}

} // namespace

int main(int argc, char** argv) {
    test::setUpTestHome();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    darkBooth(app);
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
            options->grab().save(out + QStringLiteral("/panels-options-") + suffix +
                                 QStringLiteral(".png"));
            presets->grab().save(out + QStringLiteral("/panels-presets-") + suffix +
                                 QStringLiteral(".png"));
            global->grab().save(out + QStringLiteral("/panels-global-") + suffix +
                                QStringLiteral(".png"));
            selector->grab().save(out + QStringLiteral("/panels-playlist-") + suffix +
                                  QStringLiteral(".png"));
            window.grab().save(out + QStringLiteral("/panels-all-") + suffix +
                               QStringLiteral(".png"));
        }
        UiLanguage::instance().set(Language::English);
    }
    test::tearDownTestHome();
    return 0;
}
