#include "app/TextReaderWiring.h"

#include "mainwindow/ui/HotkeyController.h"
#include "mainwindow/ui/MainWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/TextReaderWindow.h"

#include <QKeyEvent>

namespace kalvor {

TextReaderWiring::TextReaderWiring(MainWindow& mainWindow, ShowLayer& show, Settings& settings)
    : main_(mainWindow), show_(show), settings_(settings) {
    main_.pendingWindows().textReader = [this] {
        window().showReader(&main_);
    };
    // Until the window exists, a show without a script needs none.
    playlist::PlaylistFiles& files = show_.playlists();
    files.hooks().clearTextReader = [this] {
        document_.clear();
    };
    files.hooks().openTextReaderDocument = [this](const playlist::TextReaderDocument& d) {
        window().openPlaylistDocument(d);
    };
    files.saveSources().textReaderLink = [this] {
        return document_.link();
    };
}

TextReaderWiring::~TextReaderWiring() = default;

TextReaderWindow& TextReaderWiring::window() {
    if (!window_) {
        window_ = std::make_unique<TextReaderWindow>(show_, settings_, document_);
        MainWindow* main = &main_;
        window_->passKey = [main](QKeyEvent* e) {
            HotkeyDecoder& keys = main->hotkeys()->decoder();
            const KeyStroke stroke = toKeyStroke(*e);
            return e->type() == QEvent::KeyPress ? keys.keyDown(stroke, e->isAutoRepeat())
                                                 : keys.keyUp(stroke, e->isAutoRepeat());
        };
        window_->attachToPlaylists(show_.playlists());
    }
    return *window_;
}

} // namespace kalvor
