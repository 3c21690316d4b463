// The text reader's place in the program: opened from the main window's View menu, its
// F-keys handed to the main window's hotkeys, its script linked with the playlist. The
// window is made on first use (a show with a script, or the menu), so start-up does not
// pay for it; the script's name lives here from the start, for the KR-1 unit. UI thread.
#pragma once

#include "tools/text/ScriptFile.h"

#include <memory>

namespace kalvor {

class MainWindow;
class Settings;
class ShowLayer;
class TextReaderWindow;

class TextReaderWiring {
public:
    TextReaderWiring(MainWindow& mainWindow, ShowLayer& show, Settings& settings);
    ~TextReaderWiring();

    const text::ScriptDocument& document() const { return document_; }
    TextReaderWindow& window();

private:
    MainWindow& main_;
    ShowLayer& show_;
    Settings& settings_;
    text::ScriptDocument document_;
    std::unique_ptr<TextReaderWindow> window_;
};

} // namespace kalvor
