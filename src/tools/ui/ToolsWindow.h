// The tools window: the "Backup/Restore" and "CD Ripping" pages. A top-level window that
// stays open beside the main window; closing hides it. UI thread.
#pragma once

#include <QWidget>

class QTabWidget;

namespace kalvor {

class Settings;
class ShowStore;
class ToolsBackupPage;
class ToolsCdPage;

class ToolsWindow : public QWidget {
    Q_OBJECT
public:
    ToolsWindow(ShowStore& store, Settings& settings, QWidget* parent = nullptr);

    ToolsBackupPage* backupPage() const { return backup_; }
    ToolsCdPage* cdPage() const { return cd_; }

    // Shows the window on a page: 0 Backup/Restore, 1 CD Ripping.
    void showPage(int page);
    // Closing step: the CD door unlocked, the preview stopped.
    void releaseCdDrive();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyCaptions();
    QTabWidget* tabs_;
    ToolsBackupPage* backup_;
    ToolsCdPage* cd_;
};

} // namespace kalvor
