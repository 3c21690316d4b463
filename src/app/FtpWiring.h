// The file management window with its FTP browser, opened by the right mouse button on a
// strip's add button; its server list is the options dialog's, its Options button opens
// that dialog's FTP page.
#pragma once

#include <memory>

namespace kalvor {

class FileManagementWindow;
class MainWindow;
class OptionsDialog;
class Settings;
class ShowLayer;

std::unique_ptr<FileManagementWindow>
wireFileManagement(MainWindow& main, ShowLayer& show, Settings& settings, OptionsDialog& options);

} // namespace kalvor
