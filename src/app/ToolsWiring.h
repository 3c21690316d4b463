// The tools window's place in the program: opened from the main window's menu, told when
// a playlist is loaded, and the CD drive released at closing. UI thread.
#pragma once

#include <memory>

namespace kalvor {

class MainWindow;
class Settings;
class ShowLayer;
class ToolsWindow;
struct ShutdownHooks;

std::unique_ptr<ToolsWindow> wireTools(MainWindow& mainWindow, ShowLayer& show, Settings& settings,
                                       ShutdownHooks& down);

} // namespace kalvor
