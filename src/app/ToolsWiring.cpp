#include "app/ToolsWiring.h"

#include "core/Lifecycle.h"
#include "mainwindow/ui/MainWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/ToolsBackupPage.h"
#include "tools/ui/ToolsWindow.h"

namespace kalvor {

std::unique_ptr<ToolsWindow> wireTools(MainWindow& mainWindow, ShowLayer& show, Settings& settings,
                                       ShutdownHooks& down) {
    auto tools = std::make_unique<ToolsWindow>(show.store(), settings);
    ToolsWindow* window = tools.get();
    mainWindow.pendingWindows().tools = [window](int page) {
        window->showPage(page);
    };
    show.playlists().hooks().clearRelinkList = [window] {
        window->backupPage()->clearRelinkList();
    };
    // Closing step 3: the door unlocked and the preview stopped before the engine goes.
    down.releaseCdDrive = [window] {
        window->releaseCdDrive();
    };
    return tools;
}

} // namespace kalvor
