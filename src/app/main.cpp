// Kalvor's entry point: builds the program's parts, wires each start-up and shut-down
// step to the part that owns it, and runs the start-up sequence.
#include "app/PlaceholderMainWindow.h"
#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/Lifecycle.h"
#include "core/RecentPlaylists.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/ui/QtDialogs.h"
#include "core/ui/SystemMessagesWindow.h"
#include "core/ui/WelcomeWindow.h"

#include <QApplication>
#include <QScreen>

#include <memory>

using namespace kalvor;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kalvor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALVOR_VERSION));
    // Closing the main window runs the quit sequence; the program ends when it is done.
    app.setQuitOnLastWindowClosed(true);

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
    std::unique_ptr<PlaceholderMainWindow> mainWindow;

    StartupHooks& up = lifecycle.startupHooks();
    up.showWelcome = [&](const QString& version, const QString& note, const QString& os) {
        welcome->setLines(version, note, os);
        welcome->show();
    };
    up.loadMainWindow = [&] {
        mainWindow = std::make_unique<PlaceholderMainWindow>(store, settings, lifecycle, *messages);
        qtDialogs.setParentWindow(mainWindow.get());
    };
    up.showMainWindow = [&] { mainWindow->show(); };
    up.closeWelcome = [&] { welcome->close(); };
    up.applySettings = [&] {
        // Tooltips, fonts and colours reach the windows that own them as those windows arrive.
    };
    up.createNewPreset = [&] {
        // A fresh show: one preset in the first slot, named in the operator's language.
        Preset preset;
        preset.setName(txt(texts::NewPreset));
        store.presets().append(preset);
        store.presets().setCurrent(0);
        store.announcePresets();
    };

    ShutdownHooks& down = lifecycle.shutdownHooks();
    down.unloadWindows = [&] { messages->close(); };

    switch (lifecycle.Main(app.arguments())) {
    case StartResult::Running:
        break;
    case StartResult::OtherInstance:
        return 0;
    case StartResult::NoSoundDevice:
    case StartResult::EngineFailed:
        return 1;
    }
    const int rc = app.exec();
    installDialogs(nullptr);
    return rc;
}
