// Kalvor's entry point: builds the program's parts, wires each start-up and shut-down
// step to the part that owns it, and runs the start-up sequence.
#include "app/DisplayUnitWiring.h"
#include "app/FtpWiring.h"
#include "app/MidiWiring.h"
#include "app/OscWiring.h"
#include "app/RemoteUnitsWiring.h"
#include "app/SecondStart.h"
#include "app/TerminationSignals.h"
#include "app/TextReaderWiring.h"
#include "app/ToolsWiring.h"
#include "app/XkeysGpioWiring.h"
#include "control/osc/OscControl.h"
#include "control/serial/ComUserMode.h"
#include "control/serial/SerialLine.h"
#include "control/ui/BlackScreenView.h"
#include "control/ui/TouchScreenView.h"
#include "control/xkeys/NoDisplayUnit.h"
#include "core/Dialogs.h"
#include "core/InstanceLock.h"
#include "core/Lifecycle.h"
#include "core/Limits.h"
#include "core/RecentPlaylists.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/UiLanguage.h"
#include "core/ui/QtDialogs.h"
#include "core/ui/SystemMessagesWindow.h"
#include "core/ui/WelcomeWindow.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/decode/Decoder.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "engine/ui/DspWindow.h"
#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/BoothStyle.h"
#include "mainwindow/ui/HotkeyController.h"
#include "mainwindow/ui/MainWindow.h"
#include "overview/ui/OverviewWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/FileManagementWindow.h"
#include "tools/ui/OptionsDialog.h"
#include "tools/ui/ToolsWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include <memory>

using namespace kalvor;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kalvor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALVOR_VERSION));
    // Closing the main window runs the quit sequence; the program ends when it is done.
    app.setQuitOnLastWindowClosed(true);
    applyBoothStyle(app);

    QtDialogs qtDialogs;
    installDialogs(&qtDialogs);

    ShowStore store;
    Settings settings;
    RecentPlaylists recent;

    ProgramContext ctx;
    ctx.store = &store;
    ctx.settings = &settings;
    ctx.recent = &recent;
    ctx.version = QStringLiteral(KALVOR_VERSION);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        ctx.screenWidth = screen->geometry().width();
    Lifecycle lifecycle(ctx);

    auto welcome = std::make_unique<WelcomeWindow>();
    auto messages = std::make_unique<SystemMessagesWindow>();

    // The audio engine is made when start-up first asks for a device, after the instance
    // check, so a second instance never opens the sound system.
    std::unique_ptr<audio::AudioLib> audioLib;
    std::unique_ptr<engine::KaeEngine> kae;
    const auto ensureEngine = [&] {
        if (!kae) {
            audioLib = std::make_unique<audio::AudioLib>();
            kae = std::make_unique<engine::KaeEngine>(*audioLib, store, settings);
        }
    };

    // Every input path ends in this one show layer; windows only mirror the store.
    ShowLayer show(store, settings, &recent);
    MidiWiring midi(show, settings);
    installDialogs(&midi.guardDialogs(qtDialogs));
    midi.wireLifecycle(lifecycle);
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<DspWindow> effectsWindow;
    std::unique_ptr<BlackScreenView> blackScreen;
    std::unique_ptr<TouchScreenView> touchScreen;
    std::unique_ptr<OptionsDialog> options;
    std::unique_ptr<OverviewWindow> overview;
    std::unique_ptr<ToolsWindow> tools;
    std::unique_ptr<FileManagementWindow> fileManagement;
    std::unique_ptr<TextReaderWiring> textReader;
    std::unique_ptr<osc::OscControl> osc;
    // The serial line; "x" from a controller is the main window's Escape key, so it obeys
    // the same page rule as the keyboard.
    SerialLine serialLine(settings);
    ComUserMode comUser(show, settings, &serialLine, [&] {
        if (mainWindow)
            mainWindow->hotkeys()->decoder().keyDown({vk::Escape, 0});
    });
    // The KR-2 and KD-1; made at the end of the wiring, used once the options are saved.
    std::unique_ptr<DisplayUnits> displayUnits;
    serialLine.setReceiver(QStringLiteral("User"),
                           [&](const QByteArray& text) { comUser.received(text); });
    // Keypads and GPIO lines; the function block's display keys go to the KD-1 unit.
    NoDisplayUnit noDisplay;
    std::unique_ptr<XkeysGpio> xkeysGpio = wireXkeysGpio(show, settings, lifecycle, &noDisplay);
    // F1..F8 of the keypads toggle the notes of MIDI assignment rows 33..40.
    xkeysGpio->xkeys->hooks().midiFunctionKey = [&](int row) {
        midi.system().output().toggleFunctionRow(row - kChannelCount);
    };
    const RemoteUnitsPtr remoteUnits = wireRemoteUnits(show, settings, serialLine, lifecycle);

    StartupHooks& up = lifecycle.startupHooks();
    // The null output is always listed, so a machine without a sound card goes on to the
    // engine's "emulated devices" path instead of ending here.
    up.soundDevicePresent = [&] {
        ensureEngine();
        return KAE__SoundDevicePresent();
    };
    up.initAudioEngine = [&] {
        ensureEngine();
        if (!KAE__Init())
            return false;
        show.connectEngine(kae->dispatcher());
        return true;
    };
    up.choosePreviewOutput = [&] {
        ChoosePreviewOutput();
        // The options' preview controls match the output the channel got.
        if (options)
            options->loadSettings();
    };
    up.initFtpServerList = [&] {
        options->loadFtpList();
    };
    up.applyOptionTreeLabels = [&] {
        options->ApplyOptionTreeLabels();
        options->selectPage(QStringLiteral("Interface"));
    };
    up.showWelcome = [&](const QString& version, const QString& note, const QString& os) {
        welcome->setLines(version, note, os);
        welcome->show();
    };
    up.loadMainWindow = [&] {
        mainWindow = std::make_unique<MainWindow>(show, settings, recent, lifecycle, *messages);
        qtDialogs.setParentWindow(mainWindow.get());
        effectsWindow = std::make_unique<DspWindow>(store, settings);
        effectsWindow->setVariSpeed = [&](int ch, int percent) {
            show.channelOps().SetVariSpeed(ch, percent);
        };
        mainWindow->pendingWindows().effects = [&](int ch) {
            effectsWindow->showForChannel(ch >= 0 ? ch : 0);
        };
        blackScreen = std::make_unique<BlackScreenView>(show);
        // Keys the dark view does not use work as on the main window, Escape included.
        blackScreen->passKey = [&](QKeyEvent* e) {
            HotkeyDecoder& keys = mainWindow->hotkeys()->decoder();
            const KeyStroke stroke = toKeyStroke(*e);
            return e->type() == QEvent::KeyPress ? keys.keyDown(stroke, e->isAutoRepeat())
                                                 : keys.keyUp(stroke, e->isAutoRepeat());
        };
        blackScreen->left = [&] {
            if (lifecycle.state() != ProgramState::Running)
                return;
            mainWindow->show();
            mainWindow->activateWindow();
        };
        touchScreen = std::make_unique<TouchScreenView>(show, settings);
        touchScreen->passKey = blackScreen->passKey;
        mainWindow->pendingWindows().touchScreen = [&] {
            touchScreen->toggle(mainWindow.get());
        };
        mainWindow->pendingWindows().blackScreen = [&](int bank) {
            mainWindow->hide();
            blackScreen->openOnBank(bank);
        };
        OptionDevices devices;
        devices.audioOutputs = [&] {
            QStringList names;
            if (kae) {
                for (const engine::OutputDevice& d : kae->devices().devices())
                    names << d.name;
            }
            return names;
        };
        devices.keypad = [&] {
            return xkeysGpio->xkeys->findDevice();
        };
        OptionsHooks hooks;
        hooks.switchLanguage = [&](bool german) {
            mainWindow->switchLanguage(german);
        };
        hooks.tooltipsChanged = [&](bool on) {
            mainWindow->applyTooltips(on);
            if (fileManagement)
                fileManagement->applyTooltips(on);
        };
        hooks.changeBufferSize = [](int ms) {
            ChangeBufferSize(ms);
        };
        hooks.serialEnabled = [&](bool on) {
            if (on)
                serialLine.open();
            else
                serialLine.close();
        };
        hooks.saved = [&] {
            mainWindow->applySettings();
            serialLine.applySettings();
            if (displayUnits)
                displayUnits->applySettings();
            midi.refreshCueTexts();
            xkeysGpio->optionsSaved();
            osc->applySettings();
            touchScreen->applySettings();
        };
        hooks.touchButtonText = [&](bool on) {
            touchScreen->setShowText(on);
        };
        midi.wireOptions(devices, hooks);
        options =
            std::make_unique<OptionsDialog>(settings, &show, devices, hooks, mainWindow.get());
        midi.wireOptionsDialog(*options);
        midi.wireMainWindow(*mainWindow);
        attachXkeysGpio(*xkeysGpio, *mainWindow, *options);
        mainWindow->pendingWindows().options = [&](const QString& page) {
            options->showPage(page);
        };
        tools = wireTools(*mainWindow, show, settings, lifecycle.shutdownHooks());
        fileManagement = wireFileManagement(*mainWindow, show, settings, *options);
        textReader = std::make_unique<TextReaderWiring>(*mainWindow, show, settings);
        setRemoteScriptLines(*remoteUnits, [&] { return textReader->document().lines(); });
    };
    up.buildOverviewGrid = [&] {
        overview = std::make_unique<OverviewWindow>(show, settings);
        overview->passKey = [&](QKeyEvent* e) {
            HotkeyDecoder& keys = mainWindow->hotkeys()->decoder();
            const KeyStroke stroke = toKeyStroke(*e);
            return e->type() == QEvent::KeyPress ? keys.keyDown(stroke, e->isAutoRepeat())
                                                 : keys.keyUp(stroke, e->isAutoRepeat());
        };
        overview->openPlaylist = [&] {
            mainWindow->openPlaylist();
        };
        overview->savePlaylist = [&] {
            mainWindow->savePlaylist();
        };
        overview->savePlaylistAs = [&] {
            mainWindow->savePlaylistAs();
        };
        // The go-to-time dialog and the start offsets window are the main window's own, so
        // both windows open the same one.
        overview->actions().hooks.goToTime = [&](int ch) {
            mainWindow->openGoToTime(ch, false);
        };
        overview->actions().hooks.startOffsets = [&](int ch) {
            mainWindow->openStartOffsets(ch);
        };
        overview->removeStartOffset = [&](int ch) {
            show.offsets().RemoveStartOffset(ch);
        };
        overview->actions().hooks.options = [&](const QString& page) {
            if (mainWindow->pendingWindows().options)
                mainWindow->pendingWindows().options(page);
        };
        mainWindow->showOverview = [&] {
            overview->showOverview();
        };
        overview->attachToPlaylists(show.playlists());
        midi.wireOverview(*overview);
    };
    up.showMainWindow = [&] {
        mainWindow->show();
    };
    up.setMainWindowBusy = [&](bool busy) {
        mainWindow->setBusy(busy);
    };
    up.resizeMainWindow = [&] {
        if (const QScreen* screen = mainWindow->screen())
            mainWindow->setGeometry(screen->availableGeometry());
    };
    up.prepareChannel = [&](int ch) {
        mainWindow->prepareChannel(ch);
    };
    up.resetRuntimeState = [&] {
        show.resetRuntimeState();
    };
    up.startTimers = [&] {
        mainWindow->startTimers();
    };
    up.closeWelcome = [&] {
        welcome->close();
    };
    up.applySettings = [&] {
        mainWindow->applySettings();
        options->loadSettings();
        serialLine.applySettings();
        midi.refreshCueTexts();
    };
    up.openTouchScreen = [&] {
        touchScreen->open(mainWindow.get());
    };
    up.initLogging = [&] {
        mainWindow->initLogging();
    };
    up.loadPlaylist = [&](const QString& path) {
        show.LoadPlaylist(path);
    };
    up.createNewPreset = [&] {
        show.presets().NewPreset();
    };

    ShutdownHooks& down = lifecycle.shutdownHooks();
    down.logListHasEntries = [&] {
        return mainWindow->playLog().LogHasEntries();
    };
    down.saveLogList = [&] {
        mainWindow->saveLogList();
    };
    down.writeLogBackup = [&] {
        mainWindow->playLog().LogBackup();
    };
    down.stopPlaybackTimer = [&] {
        mainWindow->stopTimers();
    };
    down.stopWindowTimers = [&] {
        mainWindow->stopWindowTimers();
    };
    down.closeSerialPort = [&] {
        serialLine.close();
    };
    // The closing order waits its 1000 ms itself right after this hook.
    down.freeAudioEngine = [&] {
        KAE__Shutdown(false);
    };
    down.unloadWindows = [&] {
        messages->close();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != mainWindow.get())
                w->close();
        }
    };

    // Wired last, so that it runs after any remote-unit hook set above.
    displayUnits = wireDisplayUnits(lifecycle, show, settings, serialLine);
    // The keypads drive the real display unit from here on, not the stand-in.
    xkeysGpio->xkeys->setDisplayUnit(&displayUnits->displayUnit());

    osc = wireOsc(lifecycle, show, settings, [&] {
        if (mainWindow)
            mainWindow->hotkeys()->decoder().keyDown({vk::Escape, 0});
    });
    // The door opens with the lock, so that a show double-clicked during a long start-up
    // is taken and opened once start-up is done.
    std::unique_ptr<InstanceDoor> door;
    up.instanceLocked = [&] {
        door = openInstanceDoor(
            ctx.runtimeFolder, show,
            [&]() -> QWidget* {
                if (blackScreen && blackScreen->isVisible())
                    return blackScreen.get();
                return mainWindow.get();
            },
            [&] {
                return lifecycle.state() == ProgramState::Starting ||
                       lifecycle.state() == ProgramState::Running;
            });
    };
    StartResult started = lifecycle.Main(app.arguments());
    while (started == StartResult::OtherInstance) {
        // Its box, if any, speaks the operator's language.
        UiLanguage::instance().set(UiLanguage::fromSetting(settings.text(u"Language")));
        const HandOver handOver = handOverToRunningInstance(ctx.runtimeFolder, app.arguments());
        if (handOver != HandOver::StartHere)
            return handOver == HandOver::Taken ? 0 : 1;
        started = lifecycle.Main(app.arguments());
    }
    if (started != StartResult::Running)
        return 1;
    osc->applySettings();
    engine::preloadFfmpegPlugin();
    if (door)
        door->setHolding(false);
    // A shutdown of the machine closes as the operator's quit does, without the question.
    quitOnTerminationSignals(&app, [&] {
        lifecycle.setForcedQuit(true);
        mainWindow->close();
    });
    // For checks of the running program without a display of its own: the window is saved
    // as a picture once start-up has settled, then the program quits without the question.
    const QString screenshot = qEnvironmentVariable("KALVOR_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(1500, mainWindow.get(), [&] {
            mainWindow->grab().save(screenshot);
            lifecycle.setForcedQuit(true);
            mainWindow->close();
        });
    }
    const int rc = app.exec();
    installDialogs(nullptr);
    return rc;
}
