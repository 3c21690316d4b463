#include "app/XkeysGpioWiring.h"

#include "control/gpio/GpiodDevice.h"
#include "control/gpio/SimulatedGpio.h"
#include "core/Lifecycle.h"
#include "core/Settings.h"
#include "core/SystemMessages.h"
#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/MainWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/OptionsDialog.h"

#include <QCheckBox>
#include <QPointer>

namespace kalvor {

namespace {

// "GpioChip" names a kernel chip, or "simulated" for trying the lines without hardware:
// the simulated outputs are written to the system messages.
gpio::DeviceFactory deviceFactory(Settings& settings) {
    return [&settings](QString* why) -> std::unique_ptr<gpio::GpioDevice> {
        const QString chip = settings.text(u"GpioChip").trimmed();
        if (chip.compare(QLatin1String("simulated"), Qt::CaseInsensitive) == 0) {
            auto sim = std::make_unique<gpio::SimulatedGpio>();
            sim->onWrite = [](const gpio::PortWrite& w) {
                AddDebugMessage(QStringLiteral("GPIO (simulated): port %1 = %2")
                                    .arg(w.port)
                                    .arg(w.value, 8, 2, QLatin1Char('0')));
            };
            return sim;
        }
        return gpio::openGpiodChip(chip, gpio::parseGpioLines(settings.text(u"GpioLines")), why);
    };
}

} // namespace

void XkeysGpio::optionsSaved() {
    gpio->loadSettings();
}

std::unique_ptr<XkeysGpio> wireXkeysGpio(ShowLayer& show, Settings& settings, Lifecycle& lifecycle,
                                         Kd1Operations* display) {
    auto parts = std::make_unique<XkeysGpio>();
    parts->xkeys = std::make_unique<XkeysControl>(show, settings, xkeys::makeHidKeypads(), display);
    parts->gpio = std::make_unique<GpioInterface>(show, settings, deviceFactory(settings));
    XkeysControl* keys = parts->xkeys.get();
    GpioInterface* lines = parts->gpio.get();

    keys->hooks().gpioOutput = [lines](int function, bool on) {
        lines->setOutput(function, on);
    };
    // Shift + F1 / F2: the start offset of the selected channel taken from where it plays,
    // and put back to the start, as Ctrl+O and Ctrl+R do.
    keys->hooks().shiftF1 = [&show](int ch) {
        show.offsets().Capture_StartOffset(ch);
    };
    keys->hooks().shiftF2 = [&show](int ch) {
        show.offsets().Reset_StartOffset(ch);
    };

    show.playlists().hooks().applyGpio = [lines](const playlist::GpioBlock& block) {
        lines->applyBlock(block);
    };
    // The settings hold what the options grid shows: the global assignment, or the one the
    // loaded playlist brought.
    show.playlists().saveSources().gpioBlock = [&settings] {
        return playlist::gpioBlockFromSettings(settings);
    };

    StartupHooks& up = lifecycle.startupHooks();
    up.initGpio = [lines, &settings] {
        lines->loadSettings();
        if (settings.isOn(u"PIOActivate"))
            lines->activate();
    };
    up.initXKeys = [keys, &settings] {
        const QString found = keys->findDevice();
        if (found.isEmpty()) {
            AddDebugMessage(QStringLiteral("X-Keys: no keypad found"));
            return;
        }
        AddDebugMessage(QStringLiteral("X-Keys: found ") + found);
        if (settings.isOn(u"XKeysDevice"))
            keys->open();
    };
    ShutdownHooks& down = lifecycle.shutdownHooks();
    down.switchOffXKeysLeds = [keys] {
        keys->switchOffLeds();
        keys->close();
    };
    down.stopGpio = [lines] {
        lines->deactivate();
    };
    return parts;
}

void attachXkeysGpio(XkeysGpio& parts, MainWindow& window, OptionsDialog& options) {
    XkeysControl* keys = parts.xkeys.get();
    GpioInterface* lines = parts.gpio.get();
    keys->hooks().setLogging = [&window](bool on) {
        window.playLog().setLoggingOn(on);
    };

    // Only the operator's clicks switch the devices; loading the page's values does not.
    if (auto* enable = options.findChild<QCheckBox*>(QStringLiteral("chkXKeysDevice"))) {
        QObject::connect(enable, &QCheckBox::clicked, keys, [keys, enable](bool on) {
            if (!on) {
                keys->close();
                return;
            }
            if (!keys->open())
                enable->setChecked(false);
        });
        // Stored as "OFF" with the next save of the options.
        keys->hooks().disconnected = [enable] {
            enable->setChecked(false);
        };
    }
    // The grid shows each output's contact; at the end the dialog may go before the lines.
    lines->lineSwitched = [dialog = QPointer<OptionsDialog>(&options)](int line, bool closed) {
        if (dialog)
            dialog->setGpioContact(line, closed);
    };
    if (auto* lock = options.findChild<QCheckBox*>(QStringLiteral("chkXKeysLock")))
        QObject::connect(lock, &QCheckBox::toggled, keys, &XkeysControl::setLocked);
    if (auto* activate = options.findChild<QCheckBox*>(QStringLiteral("optActivatePIO"))) {
        QObject::connect(activate, &QCheckBox::clicked, lines,
                         [lines, activate, &options](bool on) {
                             if (!on) {
                                 lines->deactivate();
                                 return;
                             }
                             // The page's assignment as it stands, before any save.
                             options.storeGpioPage();
                             lines->loadSettings();
                             if (!lines->activate(true))
                                 activate->setChecked(false);
                         });
    }
}

} // namespace kalvor
