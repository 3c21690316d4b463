// The text reader's place in the program: made with the main window, opened from its View
// menu, its F-keys handed to the main window's hotkeys, and its script linked with the
// playlist. UI thread.
#pragma once

#include <memory>

namespace kalvor {

class MainWindow;
class Settings;
class ShowLayer;
class TextReaderWindow;

std::unique_ptr<TextReaderWindow> wireTextReader(MainWindow& mainWindow, ShowLayer& show,
                                                 Settings& settings);

} // namespace kalvor
