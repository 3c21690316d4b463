#include "app/TextReaderWiring.h"

#include "mainwindow/ui/HotkeyController.h"
#include "mainwindow/ui/MainWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/TextReaderWindow.h"

#include <QKeyEvent>

namespace kalvor {

std::unique_ptr<TextReaderWindow> wireTextReader(MainWindow& mainWindow, ShowLayer& show,
                                                 Settings& settings) {
    auto reader = std::make_unique<TextReaderWindow>(show, settings);
    TextReaderWindow* r = reader.get();
    MainWindow* main = &mainWindow;
    r->passKey = [main](QKeyEvent* e) {
        HotkeyDecoder& keys = main->hotkeys()->decoder();
        const KeyStroke stroke = toKeyStroke(*e);
        return e->type() == QEvent::KeyPress ? keys.keyDown(stroke, e->isAutoRepeat())
                                             : keys.keyUp(stroke, e->isAutoRepeat());
    };
    r->attachToPlaylists(show.playlists());
    mainWindow.pendingWindows().textReader = [r, main] {
        r->showReader(main);
    };
    return reader;
}

} // namespace kalvor
