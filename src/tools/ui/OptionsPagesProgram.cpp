// The pages of the program and playback groups: Interface, Audio, Output Devices,
// Soundlist, Playlist and Log.
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "tools/OptionPaths.h"
#include "tools/OptionsTexts.h"
#include "tools/ui/OptionsDialog.h"
#include "tools/ui/OptionsPageKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>

namespace kalvor {

namespace {

constexpr UiText kSelect{"Select", "Auswahl"};
constexpr UiText kSet{"Set", "Setzen"};
constexpr UiText kMsec{" msec.", " msec."};
constexpr UiText kSeconds{" sec.", " Sek."};
constexpr UiText kDb{" dB", " dB"};

struct ColourRow {
    const char* name;
    const char* key;
    UiText label;
    const char* defaultValue;
};

} // namespace

QLineEdit* OptionsDialog::pathRow(QGridLayout* grid, int row, const char* name, const char* button,
                                  UiText label, std::function<void(QLineEdit*)> pick) {
    auto* l = new QLabel(grid->parentWidget());
    bind_.caption(l, label);
    auto* edit = new QLineEdit(grid->parentWidget());
    edit->setObjectName(QLatin1String(name));
    auto* b = new QPushButton(grid->parentWidget());
    b->setObjectName(QLatin1String(button));
    bind_.caption(b, kSelect);
    connect(b, &QPushButton::clicked, this, [edit, pick] { pick(edit); });
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1, 1, 2);
    grid->addWidget(b, row, 3);
    return edit;
}

void OptionsDialog::pickFolder(QLineEdit* field) {
    const QString f = dialogs().folder(txt(texts::SelectFolder), field->text());
    if (!f.isEmpty())
        field->setText(f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/'));
}

void OptionsDialog::pickColour(QPushButton* button) {
    if (const auto c = dialogs().colour(swatchColour(button)))
        setSwatchColour(button, *c);
}

QWidget* OptionsDialog::buildInterfacePage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Interface", "Oberfläche"});
    k.radios("opt_language", "Language", {"Language", "Sprache"},
             {{{"deutsch", "deutsch"}, "deutsch"}, {{"english", "english"}, "english"}});
    for (int i = 0; i < 2; ++i) {
        auto* b = k.page()->findChild<QRadioButton*>(QStringLiteral("opt_language_%1").arg(i));
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && !loading_ && hooks_.switchLanguage)
                hooks_.switchLanguage(i == 0);
        });
    }
    QCheckBox* tips = k.check("chkTooltips", "ToolTips", {"Show Tooltips", "Tooltips anzeigen"});
    connect(tips, &QCheckBox::toggled, this, [this](bool on) {
        if (loading_)
            return;
        applyTooltips(on);
        if (hooks_.tooltipsChanged)
            hooks_.tooltipsChanged(on);
    });
    k.check("chkResizing", "Resizing", {"Resizing", "Grössenanpassung"});
    k.check("chkShowCountdown", "CountDown",
            {"Duration display shows countdown", "Anzeige von Countdown statt Soundlänge"});
    k.check("chkDisplayPathNames", "ShowPaths",
            {"Show path names in sound lists", "Pfadnamen in Sound Listen anzeigen"});
    k.check("chkShowProgress", "ShowProgress",
            {"Show progress bars", "Fortschrittsbalken anzeigen"});

    k.group({"PLAY Button Color", "PLAY Button Farbe"});
    const ColourRow colours[] = {
        {"btnButtonColorSelect", "ButtonColorPlayNew", {"Play:", "Play:"}, "65280"},
        {"btnPauseColorSelect", "ButtonColorPause", {"Pause:", "Pause:"}, "33023"},
        {"btnEndColorSelect", "ButtonColorEnd", {"End:", "Ende:"}, "3355647"},
        {"btnStopColorSelect", "ButtonColorStopNew", {"Stop:", "Stopp:"}, "14140870"},
        {"btnTextColorSelect", "ButtonColorText", {"Text:", "Text:"}, "0"},
    };
    std::vector<std::pair<QPushButton*, int>> swatches;
    for (const ColourRow& c : colours) {
        auto* b = new QPushButton(k.page());
        b->setObjectName(QLatin1String(c.name));
        bind_.colour(b, c.key);
        bind_.caption(b, kSelect);
        connect(b, &QPushButton::clicked, this, [this, b] { pickColour(b); });
        k.labelled(c.label, b);
        swatches.emplace_back(b, QByteArray(c.defaultValue).toInt());
    }
    auto* reset = new QPushButton(k.page());
    reset->setObjectName(QStringLiteral("btnResetColors"));
    bind_.caption(reset, {"Reset colors", "Farben zurücksetzen"});
    connect(reset, &QPushButton::clicked, this, [swatches] {
        for (const auto& [b, c] : swatches)
            setSwatchColour(b, c);
    });
    k.labelled({}, reset);
    k.check("chkFlashPlay", "FlashStatePlay", {"PLAY color flashes", "PLAY Farbe blinkt"});
    k.check("chkFlashPause", "FlashStatePause", {"PAUSE color flashes", "PAUSE Farbe blinkt"});
    k.check("chkFlashEnd", "FlashStateEnd", {"END color flashes", "ENDE Farbe blinkt"});
    k.check("chkShowEndSignal", "ShowEndSignal",
            {"Show END color before the end", "ENDE Farbe vor Soundende zeigen"});
    k.spin("updEndSignalRange", "EndSignalRange", {"End signal:", "Ende Signal:"}, 1, 600,
           kSeconds);
    k.spin("updRollbackTime", "SceneRollbackTime", {"Rollback step:", "Rollback Schritt:"}, 5, 60,
           kSeconds);

    k.group({"MIDI Time Code", "MIDI Time Code"});
    auto* mtc = new QPushButton(k.page());
    mtc->setObjectName(QStringLiteral("btnMTCColor"));
    bind_.colour(mtc, "MtcDisplayColor");
    bind_.caption(mtc, kSelect);
    connect(mtc, &QPushButton::clicked, this, [this, mtc] { pickColour(mtc); });
    k.labelled({"MTC color:", "MTC Farbe:"}, mtc);
    k.check("chkMtcMainDisplay", "ShowMtcOnMain",
            {"Show MTC in the main display", "MTC in der Hauptanzeige"});

    k.group({"Wave Editor", "Wave Editor"});
    waveEditor_ = pathRow(
        k.grid(), k.nextRow(), "txtDefaultWaveEditor", "btnEditorSelect", {"Program:", "Programm:"},
        [](QLineEdit* field) {
            const QStringList f = dialogs().openFiles(txt(texts::SelectWaveEditor), field->text(),
                                                      txt(texts::WaveEditorFilter), false);
            if (f.isEmpty())
                return;
            // Any program will do, but it has to be one.
            if (!isExecutableFile(f.constFirst())) {
                showMessage(txt(texts::WaveEditorTitle),
                            f.constFirst() + QStringLiteral("\r\n") + txt(texts::NotAProgram),
                            MessageIcon::Critical);
                return;
            }
            field->setText(f.constFirst());
        });
    bind_.line(waveEditor_, "DefaultWaveEditor");
    return k.finish();
}

QWidget* OptionsDialog::buildAudioPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Preview Channel", "Vorhörkanal"});
    previewDevice_ = new QComboBox(k.page());
    previewDevice_->setObjectName(QStringLiteral("cmbPreviewOutputDevice"));
    previewDevice_->setMinimumWidth(300);
    bind_.custom(
        [this](const Settings& s) {
            previewDevice_->clear();
            if (devices_.audioOutputs)
                previewDevice_->addItems(devices_.audioOutputs());
            const QString stored = s.text(u"PreviewDevice");
            if (!stored.isEmpty() && previewDevice_->findText(stored) < 0)
                previewDevice_->addItem(stored);
            previewDevice_->setCurrentIndex(stored.isEmpty() ? 0
                                                             : previewDevice_->findText(stored));
        },
        [this](Settings& s) { s.setText(u"PreviewDevice", previewDevice_->currentText()); });
    k.labelled({"Output device:", "Ausgangsgerät:"}, previewDevice_);
    k.spin("updPreviewOutputVolume", "PreviewVolume", {"Level:", "Lautstärke:"}, 0, 100);

    k.group({"Playback", "Wiedergabe"});
    k.radios("opt_SampleRate", "SampleRate", {"Playback Sample Rate", "Wiedergabe Sample Rate"},
             {{{"44100 Hz", "44100 Hz"}, "44100"},
              {{"48000 Hz", "48000 Hz"}, "48000"},
              {{"96000 Hz", "96000 Hz"}, "96000"},
              {{"192000 Hz", "192000 Hz"}, "192000"}});
    k.radios("opt_BitResolution", "BitResolution",
             {"Internal Bit Resolution", "Interne Bit Auflösung"},
             {{{"16 Bit", "16 Bit"}, "16"}, {{"32 Bit (float)", "32 Bit (float)"}, "32"}});
    for (QRadioButton* b : k.page()->findChildren<QRadioButton*>()) {
        const bool rate = b->objectName().startsWith(QLatin1String("opt_SampleRate"));
        connect(b, &QRadioButton::toggled, this, [this, rate](bool on) {
            if (!on || loading_)
                return;
            if (rate)
                showMessage(txt(texts::SampleRateTitle), txt(texts::RestartNeeded),
                            MessageIcon::Information);
            else
                showMessage(txt(texts::BitResolutionTitle), txt(texts::ReloadNeeded),
                            MessageIcon::Information);
        });
    }
    k.check("chkClickFix", "ClickFix",
            {"Remove clicks on sound start", "Klicks bei Soundstart verhindern"});

    k.group({"Buffers", "Buffer"});
    // Wider than the engine takes, so a wrong entry gets its message instead of a silent
    // clamp.
    bufferSize_ =
        k.spin("updBufferSize", "BufferSize", {"Buffer Size", "Buffer Grösse"}, 0, 99999, kMsec);
    auto* setBuffer = new QPushButton(k.page());
    setBuffer->setObjectName(QStringLiteral("cmdSetBufferSize"));
    bind_.caption(setBuffer, kSet);
    k.grid()->addWidget(setBuffer, k.nextRow() - 1, 2, Qt::AlignLeft);
    connect(setBuffer, &QPushButton::clicked, this, &OptionsDialog::setBufferSize);
    preloadSize_ = k.spin("updPreloadSize", "PreBufferSize", {"Preload Size", "Preload Grösse"}, 0,
                          99999, kMsec);
    auto* setPreload = new QPushButton(k.page());
    setPreload->setObjectName(QStringLiteral("cmdSetPreloadSize"));
    bind_.caption(setPreload, kSet);
    k.grid()->addWidget(setPreload, k.nextRow() - 1, 2, Qt::AlignLeft);
    connect(setPreload, &QPushButton::clicked, this, &OptionsDialog::setPreloadSize);

    k.group({"Default Volume", "Vorgabe Lautstärke"});
    defaultVolume_ =
        k.spin("updDefaultVolume", "DefaultVolume", {"Level:", "Lautstärke:"}, -99, 0, kDb);
    auto* apply = new QPushButton(k.page());
    apply->setObjectName(QStringLiteral("btnDefaultVolume"));
    bind_.caption(apply, {"Set all channels", "Alle Kanäle setzen"});
    k.grid()->addWidget(apply, k.nextRow() - 1, 2, Qt::AlignLeft);
    connect(apply, &QPushButton::clicked, this, &OptionsDialog::askDefaultLevel);
    return k.finish();
}

QWidget* OptionsDialog::buildOutputDevicesPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Output Devices", "Ausgangsgeräte"});
    auto* listed = new QListWidget(k.page());
    listed->setObjectName(QStringLiteral("lstOutputDevices"));
    listed->setMaximumHeight(140);
    listed->setSelectionMode(QAbstractItemView::NoSelection);
    k.labelled({"Listed now:", "Jetzt gelistet:"}, listed);
    bind_.custom(
        [this, listed](const Settings&) {
            listed->clear();
            if (devices_.audioOutputs)
                listed->addItems(devices_.audioOutputs());
        },
        [](Settings&) {});
    QCheckBox* emulated =
        k.check("chkDontListEmulated", "NoEmulatedDevices",
                {"Don't list emulated devices", "Emulierte Geräte nicht anzeigen"});
    QCheckBox* pair = k.check(
        "chkFirstPairOnly", "FirstPairOnly",
        {"Only the first output pair of each device", "Nur das erste Ausgangspaar jedes Geräts"});
    for (QCheckBox* b : {emulated, pair}) {
        connect(b, &QCheckBox::toggled, this, [this] {
            if (!loading_)
                showMessage(txt(texts::SoundDevicesTitle), txt(texts::RestartNeeded),
                            MessageIcon::Information);
        });
    }
    k.radios("opt_AudioDeviceSelection", "AudioDeviceSelection",
             {"Presets find their output", "Presets finden ihren Ausgang"},
             {{{"by name", "nach Name"}, "0"}, {{"by number", "nach Nummer"}, "1"}});
    return k.finish();
}

QWidget* OptionsDialog::buildSoundlistPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Soundlist", "Sound Liste"});
    soundDir_ = pathRow(k.grid(), k.nextRow(), "txtDefaultSoundPath", "btnSoundDirSelect",
                        {"Default folder:", "Vorgabe Verzeichnis:"},
                        [this](QLineEdit* f) { pickFolder(f); });
    bind_.line(soundDir_, "DefaultSoundPath");
    k.check("chkCopySoundsWithOffsets", "CopySoundsWithOffsets",
            {"Copy sounds with their start offsets", "Sounds mit Startoffsets kopieren"});
    k.check("chkJumpToOffsets", "JumpToOffsets",
            {"Jump to start offsets", "Zu Startoffsets springen"});
    k.spin("updAutoCueLevel", "AutoCueLevel", {"Auto cue level:", "Auto Cue Pegel:"}, -99, 0, kDb);
    return k.finish();
}

QWidget* OptionsDialog::buildPlaylistPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Playlist", "Playlist"});
    playlistDir_ = pathRow(k.grid(), k.nextRow(), "txtDefaultPlayListDir", "btnPlaylistDirSelect",
                           {"Default folder:", "Vorgabe Verzeichnis:"},
                           [this](QLineEdit* f) { pickFolder(f); });
    bind_.line(playlistDir_, "DefaultPlayListDir");
    playlistFile_ = pathRow(k.grid(), k.nextRow(), "txtDefaultPlayList", "btnPlaylistSelect",
                            {"Default playlist:", "Vorgabe Playlist:"}, [](QLineEdit* field) {
                                const QStringList f = dialogs().openFiles(
                                    txt(texts::SelectDefaultPlaylist), field->text(),
                                    txt(texts::PlaylistFilter), false);
                                if (!f.isEmpty())
                                    field->setText(f.constFirst());
                            });
    bind_.line(playlistFile_, "DefaultPlayList");
    k.check("chkLoadLastPlaylist", "LoadLastPlaylist",
            {"Remember the last playlist", "Letzte Playlist merken"});
    k.group({"Presets", "Presets"});
    k.check("chkSavePresetsOnChange", "SavePresetsOnChange",
            {"Save changes before switching Presets", "Änderungen abspeichern vor Preset Wechsel"});
    k.check("chkIgnoreAutostart", "IgnoreAutostart",
            {"Ignore Autostarts when loading new Playlist",
             "Autostarts beim Laden von Playlist ignorieren"});
    k.check("chkDisplayLoadFailed", "DisplayLoadFailed",
            {"Display a message when sounds are missing", "Warnung bei fehlenden Sounds"});
    return k.finish();
}

QWidget* OptionsDialog::buildLogPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Log", "Log"});
    k.check("chkLogEnable", "Logging", {"Logging enabled", "Logging eingeschaltet"});
    k.check("chkLogRestartCreate", "LogRestartCreate",
            {"A restart creates a log entry", "Neustart erzeugt einen Log Eintrag"});
    k.check("chkLogResumeCreate", "LogResumeCreate",
            {"A resume creates a log entry", "Fortsetzen erzeugt einen Log Eintrag"});
    k.check("chkLogNotEmptyWarning", "LogNotEmptyWarning",
            {"Warn on exit when the log list is not empty",
             "Beim Beenden warnen, wenn die Log-Liste Daten enthält"});
    k.group({"Backup", "Backup"});
    k.check("chkLogSaveBackup", "LogSaveBackup",
            {"Save a log backup on exit", "Log Backup beim Beenden speichern"});
    logBackupDir_ = pathRow(k.grid(), k.nextRow(), "txtLogBackupPath", "btnLogBackupPathSelect",
                            {"Folder:", "Verzeichnis:"}, [this](QLineEdit* f) { pickFolder(f); });
    bind_.line(logBackupDir_, "LoggingBackupPath");
    k.group({"Print", "Drucken"});
    k.spin("updLogTBMargin", "LogTBMargin", {"Top/bottom margin:", "Rand oben/unten:"}, 0, 100);
    k.spin("updLogLRMargin", "LogLRMargin", {"Left/right margin:", "Rand links/rechts:"}, 0, 100);
    k.spin("updLogColWidth", "LogColWidth", {"Column width:", "Spaltenbreite:"}, 40, 400);
    return k.finish();
}

} // namespace kalvor
