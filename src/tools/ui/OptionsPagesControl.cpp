// The pages of the control group: RS-232 Remote, USB Remote, GPI/O, Touchscreen, the three
// MIDI pages, Display and FTP.
#include "core/Dialogs.h"
#include "core/SettingKeys.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "mainwindow/ChannelCaption.h"
#include "show/playback/ShowLayer.h"
#include "tools/OptionsTexts.h"
#include "tools/ui/OptionsDialog.h"
#include "tools/ui/OptionsPageKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>

#include <iterator>

namespace kalvor {

namespace {

constexpr int kGpioLines = 24;
constexpr int kMidiRows = 40;
// An output's pulse length; 0 holds the line until it is switched off.
constexpr int kGpoDurations[] = {0, 50, 100, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 5000};
constexpr int kGpoDurationChoices = static_cast<int>(std::size(kGpoDurations));

QString gpoDurationText(int ms) {
    return ms == 0 ? txt(texts::GpioHold) : QStringLiteral("%1 msec.").arg(ms);
}

// GPIO input functions after "OFF" and the 32 channels (numbers 33..45).
constexpr UiText kGpioInputs[] = {
    {"STOP All Channels", "STOP Alle Kanäle"},
    {"Next Preset", "Nächstes Preset"},
    {"Previous Preset", "Voriges Preset"},
    {"Recall Preset", "Preset abrufen"},
    {"Pause Preset", "Preset Pause"},
    {"Rollback Preset", "Preset Rollback"},
    {"Roll FWD Preset", "Preset Roll FWD"},
    {"Continue", "Fortsetzen"},
    {"Repeat", "Wiederholen"},
    {"Select next channel", "Nächsten Kanal wählen"},
    {"Select previous channel", "Vorigen Kanal wählen"},
    {"Select next sound", "Nächsten Sound wählen"},
    {"Select previous sound", "Vorigen Sound wählen"},
};

// Lines 1..8 are port 1, 9..16 port 2, 17..20 the low half of port 3, 21..24 its high half.
const char* portDirectionKey(int line) {
    if (line <= 8)
        return "Port1Direction";
    if (line <= 16)
        return "Port2Direction";
    return line <= 20 ? "Port3LDirection" : "Port3HDirection";
}

QStringList gpioFunctions(bool output) {
    QStringList f{txt(texts::GpioOff)};
    for (int ch = 1; ch <= 32; ++ch)
        f << txt(texts::GpioPlayStop).arg(ch);
    if (output) {
        for (int k = 1; k <= 8; ++k)
            f << QStringLiteral("X-Keys F%1").arg(k);
    } else {
        for (const UiText& t : kGpioInputs)
            f << txt(t);
    }
    return f;
}

} // namespace

QWidget* OptionsDialog::buildRs232Page() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Port", "Port"});
    QCheckBox* enable =
        k.check("chkEnableCom", "EnableCom", {"Enable RS-232 remote", "RS-232 Remote einschalten"});
    connect(enable, &QCheckBox::toggled, this, [this](bool on) {
        if (loading_ || !hooks_.serialEnabled)
            return;
        // The port opens in the mode chosen here, before the save stores the rest.
        bind_.saveKeys(settings_,
                       {"EnableCom", "ComPort", "BaudRate", "ComMode", "EchoCMD", "SendACK",
                        "ComDevice1", "ComDevice2", "ComDevice3", "ComDevice4"});
        hooks_.serialEnabled(on);
    });
    comPort_ = k.combo("cmbComPort", "ComPort", {"Port:", "Port:"}, {});
    bind_.custom(
        [this](const Settings& s) {
            // The device path beside each port, as the fields below set it.
            for (const SerialPortChoice& p : serialPortChoices(s)) {
                const int i = comPort_->findData(p.number);
                const QString text =
                    p.caption + QStringLiteral("  (") + p.device + QLatin1Char(')');
                if (i < 0)
                    comPort_->insertItem(p.number.toInt() - 1, text, p.number);
                else
                    comPort_->setItemText(i, text);
            }
            comPort_->setCurrentIndex(std::max(0, comPort_->findData(s.text(u"ComPort"))));
        },
        [](Settings&) {});
    k.combo("cmbBaudRate", "BaudRate", {"Speed:", "Geschwindigkeit:"},
            {{{"9600,N,8,1", "9600,N,8,1"}, "9600"},
             {{"19200,N,8,1", "19200,N,8,1"}, "19200"},
             {{"38400,N,8,1", "38400,N,8,1"}, "38400"},
             {{"57600,N,8,1", "57600,N,8,1"}, "57600"},
             {{"115200,N,8,1", "115200,N,8,1"}, "115200"}});
    k.combo("cmbComMode", "ComMode", {"Mode:", "Modus:"},
            {{{"User", "User"}, "User"},
             {{"KR-1 Remote", "KR-1 Remote"}, "KR-1"},
             {{"KR-2 Remote", "KR-2 Remote"}, "KR-2"}});
    k.check("chkEchoCMD", "EchoCMD", {"Echo commands", "Befehle zurücksenden"});
    k.check("chkSendACK", "SendACK", {"Acknowledge commands", "Befehle bestätigen"});
    k.group({"Device paths", "Gerätepfade"});
    static const char* const names[] = {"txtComDevice1", "txtComDevice2", "txtComDevice3",
                                        "txtComDevice4"};
    static const char* const keys[] = {"ComDevice1", "ComDevice2", "ComDevice3", "ComDevice4"};
    static constexpr UiText labels[] = {
        {"COM 1:", "COM 1:"}, {"COM 2:", "COM 2:"}, {"COM 3:", "COM 3:"}, {"COM 4:", "COM 4:"}};
    for (int i = 0; i < kSerialPorts; ++i) {
        QLineEdit* e = k.line(names[i], keys[i], labels[i]);
        connect(e, &QLineEdit::textEdited, this, [this, i](const QString& path) {
            const int row = comPort_->findData(QString::number(i + 1));
            if (row >= 0)
                comPort_->setItemText(row, QStringLiteral("COM %1  (%2)").arg(i + 1).arg(path));
        });
    }
    k.group({"Remote units", "Remote Geräte"});
    k.combo("cmbHotkeyMode", "HotkeyMode", {"Hotkeys:", "Hotkeys:"},
            {{{"Standard", "Standard"}, "0"}, {{"Remote unit", "Remote Gerät"}, "1"}});
    k.spin("updKR1Contrast", "KR1_DisplayContrast", {"KR-1 contrast:", "KR-1 Kontrast:"}, 0, 10);
    k.combo("cmbKR1Layout", "KR1_ScreenLayout", {"KR-1 screen layout:", "KR-1 Bildschirm:"},
            {{{"1", "1"}, "1"}, {{"2", "2"}, "2"}, {{"3", "3"}, "3"}, {{"4", "4"}, "4"}});
    k.check("chkKR1ScenesOnly", "KR1_ScenesOnly",
            {"KR-1 shows presets only", "KR-1 zeigt nur Presets"});
    k.check("chkKR2QuickSelect", "KR-2 Quick Select",
            {"Sound quick select", "Sound Schnellauswahl"});
    return k.finish();
}

QWidget* OptionsDialog::buildUsbRemotePage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"X-keys keypad", "X-keys Tastatur"});
    auto* found = new QLabel(k.page());
    found->setObjectName(QStringLiteral("lblXKeysDevice"));
    k.labelled({"Device found:", "Gefundenes Gerät:"}, found);
    bind_.custom(
        [this, found](const Settings&) {
            const QString name = devices_.keypad ? devices_.keypad() : QString();
            found->setText(name.isEmpty() ? txt({"none", "keines"}) : name);
        },
        [](Settings&) {});
    k.check("chkXKeysDevice", "XKeysDevice", {"Enable device", "Gerät einschalten"});
    k.combo("cmbXKeysLayout", "XKeysLayout", {"Layout:", "Anordnung:"},
            {{{"Standard", "Standard"}, "Standard"},
             {{"Vertical Groups", "Vertikale Gruppen"}, "Vertical Groups"}});
    k.check("chkXKeysChannelSelect", "XKeysChannelSelect",
            {"'Play' button selects channel", "'Play' Taste wählt Kanal"});
    k.check("chkXKeysStickPlayLeds", "XKeysStickPlayLeds",
            {"Use LED's on 'Stick' as 'Play' indicators", "LED's am 'Stick' als 'Play' Anzeige"});
    k.check("chkXKeysStickLeds", "XKeysStickLeds",
            {"LED's on 'Stick' always ON", "LED's am 'Stick' immer AN"});
    // Held for the session only: it guards the function keys while a show runs.
    k.check("chkXKeysLock", nullptr, {"Lock function keys", "Funktionstasten sperren"});
    return k.finish();
}

QWidget* OptionsDialog::buildGpioPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"GPI/O interface", "GPI/O Interface"});
    k.check("optActivatePIO", "PIOActivate",
            {"Activate GPI/O Interface", "GPI/O Interface aktivieren"});
    k.radios("opt_GPIOConfiguration", "GPIO Configuration", {"Assignment:", "Zuordnung:"},
             {{{"Global", "Global"}, "0"}, {{"Playlist", "Playlist"}, "1"}});
    // The chip and its 24 lines: a chip name, label, number or path; "simulated" tries the
    // feature without hardware.
    k.line("txtGpioChip", "GpioChip", {"GPIO chip:", "GPIO Chip:"});
    k.line("txtGpioLines", "GpioLines",
           {"Line offsets (24, empty = 0..23):", "Leitungsnummern (24, leer = 0..23):"});
    static constexpr std::pair<const char*, UiText> kPorts[] = {
        {"Port1Direction", {"Lines 1-8:", "Leitungen 1-8:"}},
        {"Port2Direction", {"Lines 9-16:", "Leitungen 9-16:"}},
        {"Port3LDirection", {"Lines 17-20:", "Leitungen 17-20:"}},
        {"Port3HDirection", {"Lines 21-24:", "Leitungen 21-24:"}},
    };
    for (const auto& [key, label] : kPorts) {
        QComboBox* port =
            k.combo((QByteArray("cmb") + key).constData(), key, label,
                    {{{"OFF", "AUS"}, "OFF"}, {{"IN", "IN"}, "IN"}, {{"OUT", "OUT"}, "OUT"}});
        connect(port, &QComboBox::currentIndexChanged, this, &OptionsDialog::fillGpioFunctions);
    }
    k.group({"Assignment", "Zuordnung"});
    gpioGrid_ = new QTableWidget(kGpioLines, 4, k.page());
    gpioGrid_->setObjectName(QStringLiteral("GPIOGrid"));
    gpioGrid_->verticalHeader()->setDefaultSectionSize(24);
    gpioGrid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    gpioGrid_->setMinimumHeight(480);
    for (int line = 0; line < kGpioLines; ++line) {
        gpioGrid_->setCellWidget(line, 0, new QComboBox(gpioGrid_));
        auto* logic = new QComboBox(gpioGrid_);
        logic->addItems({QStringLiteral("0"), QStringLiteral("1")});
        gpioGrid_->setCellWidget(line, 1, logic);
        auto* duration = new QComboBox(gpioGrid_);
        for (const int ms : kGpoDurations)
            duration->addItem(gpoDurationText(ms), ms);
        gpioGrid_->setCellWidget(line, 2, duration);
        auto* interval = new QSpinBox(gpioGrid_);
        interval->setRange(0, 600000);
        interval->setSuffix(QStringLiteral(" msec."));
        gpioGrid_->setCellWidget(line, 3, interval);
    }
    k.labelled({}, gpioGrid_);
    return k.finish();
}

void OptionsDialog::loadGpioGrid() {
    if (!gpioGrid_)
        return;
    for (int line = 1; line <= kGpioLines; ++line) {
        auto* f = static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 0));
        f->clear();
        f->setProperty("function", settings_.integer(gpioLineKey("LineFunctionNo. ", line)));
        static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 1))
            ->setCurrentIndex(settings_.integer(gpioLineKey("PIOLineLogic ", line)) != 0 ? 1 : 0);
        // A length from elsewhere (an older playlist) is kept as it is, not put to "Hold".
        auto* duration = static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 2));
        while (duration->count() > kGpoDurationChoices)
            duration->removeItem(kGpoDurationChoices);
        const int ms = settings_.integer(gpioLineKey("GPODuration ", line));
        if (duration->findData(ms) < 0)
            duration->addItem(gpoDurationText(ms), ms);
        duration->setCurrentIndex(duration->findData(ms));
        static_cast<QSpinBox*>(gpioGrid_->cellWidget(line - 1, 3))
            ->setValue(settings_.integer(gpioLineKey("GPOInterval ", line)));
    }
    fillGpioFunctions();
}

void OptionsDialog::fillGpioFunctions() {
    if (!gpioGrid_)
        return;
    gpioGrid_->setHorizontalHeaderLabels(
        UiLanguage::instance().isEnglish()
            ? QStringList{QStringLiteral("Function"), QStringLiteral("Logic"),
                          QStringLiteral("Duration"), QStringLiteral("Interval")}
            : QStringList{QStringLiteral("Funktion"), QStringLiteral("Logik"),
                          QStringLiteral("Dauer"), QStringLiteral("Intervall")});
    for (int line = 1; line <= kGpioLines; ++line) {
        refreshGpioRowHead(line);
        static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 2))
            ->setItemText(0, gpoDurationText(0));
        const bool output = gpioDirection(line) == QLatin1String("OUT");
        auto* f = static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 0));
        const int chosen = f->count() > 0 ? f->currentIndex() : f->property("function").toInt();
        f->clear();
        f->addItems(gpioFunctions(output));
        // A function the other direction does not have falls back to "OFF".
        f->setCurrentIndex(chosen >= 0 && chosen < f->count() ? chosen : 0);
    }
}

QString OptionsDialog::gpioDirection(int line) const {
    // The direction as ticked now, so the grid follows the box before any save.
    const auto* port =
        findChild<QComboBox*>(QStringLiteral("cmb") + QLatin1String(portDirectionKey(line)));
    return port ? port->currentData().toString()
                : settings_.text(QString::fromLatin1(portDirectionKey(line)));
}

void OptionsDialog::refreshGpioRowHead(int line) {
    const QString direction = gpioDirection(line);
    QString head = QStringLiteral("%1 %2").arg(line, 2, 10, QLatin1Char('0')).arg(direction);
    const signed char contact = gpioContacts_[static_cast<std::size_t>(line - 1)];
    if (contact != 0 && direction == QLatin1String("OUT"))
        head +=
            QLatin1Char(' ') + txt(contact > 0 ? texts::GpioContactClosed : texts::GpioContactOpen);
    gpioGrid_->setVerticalHeaderItem(line - 1, new QTableWidgetItem(head));
}

void OptionsDialog::setGpioContact(int line, bool closed) {
    if (line < 1 || line > kGpioLines)
        return;
    gpioContacts_[static_cast<std::size_t>(line - 1)] = closed ? 1 : -1;
    refreshGpioRowHead(line);
}

void OptionsDialog::storeGpioPage() {
    bind_.saveKeys(settings_,
                   {"PIOActivate", "GPIO Configuration", "GpioChip", "GpioLines", "Port1Direction",
                    "Port2Direction", "Port3LDirection", "Port3HDirection"});
    saveGpioGrid();
}

void OptionsDialog::saveGpioGrid() {
    for (int line = 1; line <= kGpioLines; ++line) {
        auto* f = static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 0));
        settings_.setText(gpioLineKey("LineFunctionText ", line), f->currentText());
        settings_.setInteger(gpioLineKey("LineFunctionNo. ", line), f->currentIndex());
        settings_.setInteger(
            gpioLineKey("PIOLineLogic ", line),
            static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 1))->currentIndex());
        settings_.setInteger(
            gpioLineKey("GPODuration ", line),
            static_cast<QComboBox*>(gpioGrid_->cellWidget(line - 1, 2))->currentData().toInt());
        settings_.setInteger(gpioLineKey("GPOInterval ", line),
                             static_cast<QSpinBox*>(gpioGrid_->cellWidget(line - 1, 3))->value());
    }
}

QWidget* OptionsDialog::buildTouchscreenPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"Touchscreen", "Touchscreen"});
    k.check("chkShowTouchScreenOnStartup", "ShowTouchScreenOnStartup",
            {"Show Touch Screen on start up", "Touch Screen beim Start anzeigen"});
    k.combo("cmbTouchScreenPosition", "TouchScreenPosition",
            {"Screen position:", "Bildschirmposition:"},
            {{{"Left", "Links"}, "0"}, {{"Right", "Rechts"}, "1"}});
    k.combo("cmbTouchScreenResolution", "TouchScreenResolution", {"Resolution:", "Auflösung:"},
            {{{"1024 x 768", "1024 x 768"}, "0"},
             {{"1280 x 1024", "1280 x 1024"}, "1"},
             {{"1920 x 1080", "1920 x 1080"}, "2"}});
    // Not a stored setting: the buttons show their texts at every start.
    auto* text = new QCheckBox(k.page());
    text->setObjectName(QStringLiteral("chkTouchButtonText"));
    text->setChecked(true);
    bind_.caption(
        text, {"Show sound names on the Play buttons", "Soundnamen auf den Play Tasten anzeigen"});
    k.grid()->addWidget(text, k.nextRow(), 0, 1, 3);
    connect(text, &QCheckBox::toggled, this, [this](bool on) {
        if (hooks_.touchButtonText)
            hooks_.touchButtonText(on);
    });
    auto* font = new QPushButton(k.page());
    font->setObjectName(QStringLiteral("btnTouchFont"));
    bind_.caption(font, {"Select Font and Colour", "Schrift und Farbe wählen"});
    k.labelled({"Play buttons:", "Play Tasten:"}, font);
    connect(font, &QPushButton::clicked, this, [this] {
        FontChoice now{settings_.text(u"TouchScreenFontName"),
                       settings_.text(u"TouchScreenFontSize")
                           .replace(QLatin1Char(','), QLatin1Char('.'))
                           .toDouble(),
                       settings_.boolean(u"TouchScreenFontBold"),
                       settings_.boolean(u"TouchScreenFontItalic")};
        if (const auto f = dialogs().font(now)) {
            settings_.setText(u"TouchScreenFontName", f->name);
            settings_.setText(u"TouchScreenFontSize", QString::number(f->size));
            settings_.setBoolean(u"TouchScreenFontBold", f->bold);
            settings_.setBoolean(u"TouchScreenFontItalic", f->italic);
        }
        if (const auto c = dialogs().colour(settings_.integer(u"TouchScreenFontColor")))
            settings_.setInteger(u"TouchScreenFontColor", *c);
    });
    return k.finish();
}

QWidget* OptionsDialog::buildMidiSetupPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"MIDI In", "MIDI In"});
    QCheckBox* useIn = k.check("chkUseMIDIIn", "UseMIDIIn", {"MIDI IN active", "MIDI IN aktiv"});
    midiIn_ = new QComboBox(k.page());
    midiIn_->setObjectName(QStringLiteral("cmbMidiIn"));
    midiIn_->setMinimumWidth(300);
    k.labelled({"Device:", "Gerät:"}, midiIn_);
    k.check("chkReceivePRGChange", "ReceivePRGChange",
            {"Receive program changes", "Program Changes empfangen"});
    k.check("chkMidiNoteSelectsSound", "MidiNoteSelectsSound",
            {"Note number selects sound", "Notennummer wählt Sound"});
    k.group({"MIDI Out", "MIDI Out"});
    QCheckBox* useOut =
        k.check("chkUseMIDIOut", "UseMIDIOut", {"MIDI OUT active", "MIDI OUT aktiv"});
    midiOut_ = new QComboBox(k.page());
    midiOut_->setObjectName(QStringLiteral("cmbMidiOut"));
    midiOut_->setMinimumWidth(300);
    k.labelled({"Device:", "Gerät:"}, midiOut_);
    k.check("chkSendPRGChange", "SendPRGChange",
            {"Send program changes", "Program Changes senden"});
    k.spin("updMidiPRGChannel", "ProgramChangeChannel",
           {"Program change channel:", "Program Change Kanal:"}, 1, 16);
    k.group({"Display", "Anzeige"});
    QCheckBox* offset = k.check("chkMidiNoteOffset", "MidiNoteOffset", {"C3 = 60", "C3 = 60"});
    connect(offset, &QCheckBox::toggled, this, [this] { loadMidiGrid(); });
    k.check("chkMidiNoteDisplay", "MidiNoteDisplay",
            {"Display MIDI info in channels", "MIDI Info in Kanälen anzeigen"});
    QCheckBox* useMtc = k.check("chkUseMTC", "UseMTC", {"MTC active", "MTC aktiv"});
    connect(useMtc, &QCheckBox::toggled, this, [this](bool on) {
        if (!loading_ && hooks_.mtcActive)
            hooks_.mtcActive(on);
    });
    auto* frameRate = new QLineEdit(k.page());
    frameRate->setObjectName(QStringLiteral("txtFrameRate"));
    frameRate->setReadOnly(true);
    frameRate->setMaximumWidth(60);
    k.labelled({"Frame Rate:", "Frame Rate:"}, frameRate);
    // Ticking "active" opens the device; one that does not open clears the box again, so
    // the setting is saved as off. A new device choice reopens an open device.
    const auto live = [this](QCheckBox* use, QComboBox* box,
                             const std::function<bool(bool, const QString&)>* hook) {
        const auto device = [box] {
            return box->currentIndex() <= 0 ? QString() : box->currentText();
        };
        connect(use, &QCheckBox::toggled, this, [this, use, device, hook](bool on) {
            if (loading_ || !*hook)
                return;
            if (!(*hook)(on, device()) && on) {
                const QSignalBlocker quiet(use);
                use->setChecked(false);
            }
        });
        connect(box, &QComboBox::currentIndexChanged, this, [this, use, device, hook] {
            if (loading_ || !*hook || !use->isChecked())
                return;
            (*hook)(false, QString());
            if (!(*hook)(true, device())) {
                const QSignalBlocker quiet(use);
                use->setChecked(false);
            }
        });
    };
    live(useIn, midiIn_, &hooks_.midiInput);
    live(useOut, midiOut_, &hooks_.midiOutput);
    const auto device = [this](QComboBox* box, const std::function<QStringList()>& source,
                               const char16_t* key) {
        bind_.custom(
            [box, source, key](const Settings& s) {
                box->clear();
                const QString stored = s.text(QStringView(key));
                box->addItems(midiChoices(source, stored));
                box->setCurrentIndex(stored.isEmpty() ? 0 : box->findText(stored));
            },
            [box, key](Settings& s) {
                s.setText(QStringView(key),
                          box->currentIndex() <= 0 ? QString() : box->currentText());
            });
    };
    device(midiIn_, devices_.midiInputs, u"MidiInDevice");
    device(midiOut_, devices_.midiOutputs, u"MidiOutDevice");
    return k.finish();
}

QWidget* OptionsDialog::buildMidiAssignPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"MIDI Note/Playback Channel Assignment", "MIDI Note/Playback Kanal Zuordnung"});
    midiGrid_ = new QTableWidget(kMidiRows, 6, k.page());
    midiGrid_->setObjectName(QStringLiteral("MidiGrid"));
    midiGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    midiGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    midiGrid_->verticalHeader()->setDefaultSectionSize(24);
    midiGrid_->setMinimumHeight(480);
    for (int row = 0; row < kMidiRows; ++row) {
        // The function-key rows only send: their input cells cannot be edited.
        const bool input = row < kChannelCount;
        for (int col = 0; col < 6; ++col) {
            QWidget* w = nullptr;
            if (col % 3 == 2) {
                w = new QCheckBox(midiGrid_);
                connect(static_cast<QCheckBox*>(w), &QCheckBox::toggled, this,
                        [this, row] { storeMidiRow(row); });
            } else {
                auto* c = new QComboBox(midiGrid_);
                if (col % 3 == 1) {
                    for (int ch = 1; ch <= 16; ++ch)
                        c->addItem(QString::number(ch));
                }
                connect(c, &QComboBox::currentIndexChanged, this,
                        [this, row] { storeMidiRow(row); });
                w = c;
            }
            w->setEnabled(input || col >= 3);
            midiGrid_->setCellWidget(row, col, w);
        }
    }
    k.labelled({}, midiGrid_);
    auto* defaults = new QPushButton(k.page());
    defaults->setObjectName(QStringLiteral("cmdDefaultNotes"));
    bind_.caption(defaults, {"Default", "Vorgabe"});
    bind_.tooltip(defaults, {"Selects a basic MIDI Note assignment",
                             "Wählt eine einfache MIDI Noten Zuordnung"});
    k.labelled({}, defaults);
    connect(defaults, &QPushButton::clicked, this, &OptionsDialog::setDefaultNotes);
    return k.finish();
}

ChannelAssignments* OptionsDialog::midiRow(int row) {
    if (row >= kChannelCount && hooks_.functionKeyRow)
        return hooks_.functionKeyRow(row - kChannelCount + 1);
    if (row >= kChannelCount)
        return &functionKeyNotes_[static_cast<std::size_t>(row - kChannelCount)];
    return show_ ? &show_->store().assignments(row) : nullptr;
}

void OptionsDialog::loadMidiGrid() {
    if (!midiGrid_)
        return;
    const bool was = loading_;
    loading_ = true;
    const bool english = UiLanguage::instance().isEnglish();
    midiGrid_->setHorizontalHeaderLabels(
        english ? QStringList{QStringLiteral("IN Note"), QStringLiteral("IN Channel"),
                              QStringLiteral("IN On"), QStringLiteral("OUT Note"),
                              QStringLiteral("OUT Channel"), QStringLiteral("OUT On")}
                : QStringList{QStringLiteral("IN Note"), QStringLiteral("IN Kanal"),
                              QStringLiteral("IN An"), QStringLiteral("OUT Note"),
                              QStringLiteral("OUT Kanal"), QStringLiteral("OUT An")});
    const auto* offsetBox = findChild<QCheckBox*>(QStringLiteral("chkMidiNoteOffset"));
    const bool offset = offsetBox ? offsetBox->isChecked() : settings_.isOn(u"MidiNoteOffset");
    QStringList names;
    for (const QString& n : MidiNoteNames(offset))
        names << n;
    for (int row = 0; row < kMidiRows; ++row) {
        const QString head =
            row < kChannelCount
                ? (english ? QStringLiteral("Channel %1") : QStringLiteral("Kanal %1")).arg(row + 1)
                : QStringLiteral("X-Keys F%1").arg(row - kChannelCount + 1);
        midiGrid_->setVerticalHeaderItem(row, new QTableWidgetItem(head));
        const ChannelAssignments* a = midiRow(row);
        if (!a)
            continue;
        const int notes[] = {a->midiInNote, a->midiOutNote};
        const int channels[] = {a->midiInChannel, a->midiOutChannel};
        const bool on[] = {a->midiInEnabled, a->midiOutEnabled};
        for (int side = 0; side < 2; ++side) {
            auto* note = static_cast<QComboBox*>(midiGrid_->cellWidget(row, side * 3));
            note->clear();
            note->addItems(names);
            note->setCurrentIndex(std::clamp(notes[side], 0, 127));
            static_cast<QComboBox*>(midiGrid_->cellWidget(row, side * 3 + 1))
                ->setCurrentIndex(std::clamp(channels[side], 1, 16) - 1);
            static_cast<QCheckBox*>(midiGrid_->cellWidget(row, side * 3 + 2))->setChecked(on[side]);
        }
    }
    loading_ = was;
}

void OptionsDialog::storeMidiRow(int row) {
    ChannelAssignments* a = midiRow(row);
    if (loading_ || !a)
        return;
    const auto note = [this, row](int col) {
        return static_cast<QComboBox*>(midiGrid_->cellWidget(row, col))->currentIndex();
    };
    const auto on = [this, row](int col) {
        return static_cast<QCheckBox*>(midiGrid_->cellWidget(row, col))->isChecked();
    };
    if (row < kChannelCount) {
        a->midiInNote = note(0);
        a->midiInChannel = note(1) + 1;
        a->midiInEnabled = on(2);
    }
    a->midiOutNote = note(3);
    a->midiOutChannel = note(4) + 1;
    a->midiOutEnabled = on(5);
    if (row < kChannelCount)
        show_->store().announceChannel(row, ChannelAspect::Assignments);
}

void OptionsDialog::setDefaultNotes() {
    // White keys from note 36 up: row 0 gets 36, row 1 38, row 2 40, row 3 41; the
    // function keys go on with the same sequence for their output.
    int n = 36;
    for (int row = 0; row < kMidiRows; ++row) {
        if (MidiNoteNames(false)[static_cast<std::size_t>(n)].contains(QLatin1Char('#')))
            ++n;
        if (ChannelAssignments* a = midiRow(row)) {
            if (row < kChannelCount) {
                a->midiInNote = n;
                a->midiInChannel = 1;
                a->midiInEnabled = true;
            }
            a->midiOutNote = n;
            a->midiOutChannel = 1;
            a->midiOutEnabled = true;
            if (row < kChannelCount)
                show_->store().announceChannel(row, ChannelAspect::Assignments);
        }
        ++n;
    }
    loadMidiGrid();
}

QWidget* OptionsDialog::buildMidiMonitorPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"MIDI Monitor", "MIDI Monitor"});
    midiMonitor_ = new QListWidget(k.page());
    midiMonitor_->setObjectName(QStringLiteral("lstMidiMon"));
    midiMonitor_->setMinimumHeight(380);
    auto* heading = new QLabel(k.page());
    heading->setObjectName(QStringLiteral("lblMidiMon"));
    bind_.caption(heading, {"MIDI IN Monitor:", "MIDI IN Monitor:"});
    heading->setBuddy(midiMonitor_);
    k.labelled({}, heading);
    k.labelled({}, midiMonitor_);
    auto* clear = new QPushButton(k.page());
    clear->setObjectName(QStringLiteral("cmdClearMidiMon"));
    bind_.caption(clear, {"Clear List", "Liste löschen"});
    connect(clear, &QPushButton::clicked, midiMonitor_, &QListWidget::clear);
    k.labelled({}, clear);
    return k.finish();
}

QWidget* OptionsDialog::buildDisplayPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"KD-1 display unit", "KD-1 Display"});
    k.check("chkDO500Enabled", "DO500Enabled", {"Enable display unit", "Display einschalten"});
    k.combo("cmbDO500ComPort", "DO500ComPort", {"Port:", "Port:"},
            {{{"COM 1", "COM 1"}, "1"},
             {{"COM 2", "COM 2"}, "2"},
             {{"COM 3", "COM 3"}, "3"},
             {{"COM 4", "COM 4"}, "4"}});
    k.combo("cmbDO500Brightness", "DO500Brightness", {"Brightness:", "Helligkeit:"},
            {{{"1", "1"}, "1"}, {{"2", "2"}, "2"}, {{"3", "3"}, "3"}, {{"4", "4"}, "4"}});
    k.radios("opt_DO500Size", "DO500Size", {"Size:", "Grösse:"},
             {{{"Small", "Klein"}, "1"}, {{"Large", "Gross"}, "2"}});
    k.radios("opt_DO500TimeFormat", "DO500TimeFormat", {"Time format:", "Zeitformat:"},
             {{{"hh:mm:ss", "hh:mm:ss"}, "1"}, {{"mm:ss", "mm:ss"}, "2"}});
    k.check("chkDO500Countdown", "DO500Countdown", {"Show countdown", "Countdown anzeigen"});
    k.check("chkDO500Progressbar", "DO500Progressbar",
            {"Show progress bar", "Fortschrittsbalken anzeigen"});
    k.check("chkDO500SafetyMode", "DO500SafetyMode",
            {"Safety mode (confirm actions)", "Sicherheitsmodus (Aktionen bestätigen)"});
    return k.finish();
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (QLineEdit* field : ftpFields_) {
            // After the click that entered the field, which would put the cursor instead.
            if (field == watched)
                QTimer::singleShot(0, field, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

QWidget* OptionsDialog::buildFtpPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"FTP List:", "FTP Liste:"});
    ftpListBox_ = new QListWidget(k.page());
    ftpListBox_->setObjectName(QStringLiteral("lbxFTPList"));
    ftpListBox_->setMinimumHeight(220);
    k.labelled({}, ftpListBox_);
    static const char* const names[] = {"txtFTPName", "txtFTPAddress", "txtFTPUser",
                                        "txtFTPPassword", "txtFTPDirectory"};
    static constexpr UiText labels[] = {{"Name:", "Name:"},
                                        {"Adress:", "Adresse:"},
                                        {"Username:", "Benutzername:"},
                                        {"Password:", "Passwort:"},
                                        {"Directory:", "Verzeichnis:"}};
    for (std::size_t i = 0; i < ftpFields_.size(); ++i) {
        ftpFields_[i] = k.line(names[i], nullptr, labels[i]);
        connect(ftpFields_[i], &QLineEdit::textEdited, this, &OptionsDialog::storeFtpField);
        ftpFields_[i]->installEventFilter(this);
    }
    ftpFields_[3]->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    auto* row = new QWidget(k.page());
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, UiText> bs[] = {{"cmdFTPNew", {"New", "Neu"}},
                                                 {"cmdFTPDelete", {"Delete", "Löschen"}},
                                                 {"cmdFTPSave", {"Save", "Speichern"}}};
    for (const auto& [name, caption] : bs) {
        auto* b = new QPushButton(row);
        b->setObjectName(QLatin1String(name));
        bind_.caption(b, caption);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    k.labelled({}, row);
    connect(row->findChild<QPushButton*>(QStringLiteral("cmdFTPNew")), &QPushButton::clicked, this,
            &OptionsDialog::ftpNew);
    connect(row->findChild<QPushButton*>(QStringLiteral("cmdFTPDelete")), &QPushButton::clicked,
            this, &OptionsDialog::ftpDelete);
    connect(row->findChild<QPushButton*>(QStringLiteral("cmdFTPSave")), &QPushButton::clicked, this,
            [this] {
                if (!writeFtpList(ftpPath_.isEmpty() ? defaultFtpListPath() : ftpPath_, ftp_))
                    showMessage(txt(texts::FtpListErrorTitle),
                                txt(texts::FtpListNotWritten).arg(ftpPath_), MessageIcon::Critical);
            });
    connect(ftpListBox_, &QListWidget::currentRowChanged, this, &OptionsDialog::showFtpEntry);
    refreshFtpList();
    return k.finish();
}

} // namespace kalvor
