#include "app/FtpWiring.h"

#include "mainwindow/ui/MainWindow.h"
#include "tools/ui/FileManagementWindow.h"
#include "tools/ui/OptionsDialog.h"

namespace kalvor {

std::unique_ptr<FileManagementWindow>
wireFileManagement(MainWindow& main, ShowLayer& show, Settings& settings, OptionsDialog& options) {
    auto window = std::make_unique<FileManagementWindow>(show, settings, &main);
    // The list as the options dialog holds it: read at start-up, edited on its FTP page.
    window->ftpList = [&options] {
        return options.ftpList();
    };
    window->openOptions = [&options] {
        options.showPage(QStringLiteral("FTP"));
    };
    FileManagementWindow* w = window.get();
    main.pendingWindows().ftpBrowser = [w](int ch) {
        w->openFor(ch);
    };
    return window;
}

} // namespace kalvor
