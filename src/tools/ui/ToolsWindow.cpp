#include "tools/ui/ToolsWindow.h"

#include "core/UiLanguage.h"
#include "tools/ui/ToolsBackupPage.h"
#include "tools/ui/ToolsCdPage.h"

#include <QKeyEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kalvor {

ToolsWindow::ToolsWindow(ShowStore& store, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmTools"));
    tabs_ = new QTabWidget(this);
    backup_ = new ToolsBackupPage(store, tabs_);
    cd_ = new ToolsCdPage(settings, store, tabs_);
    tabs_->addTab(backup_, QString());
    tabs_->addTab(cd_, QString());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    resize(900, 600);
    applyCaptions();
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &ToolsWindow::applyCaptions);
}

void ToolsWindow::applyCaptions() {
    setWindowTitle(UiLanguage::instance().isEnglish() ? QStringLiteral("Tools")
                                                      : QStringLiteral("Werkzeuge"));
    tabs_->setTabText(0, QStringLiteral("Backup/Restore"));
    tabs_->setTabText(1, QStringLiteral("CD Ripping"));
}

void ToolsWindow::showPage(int page) {
    tabs_->setCurrentIndex(page);
    show();
    raise();
    activateWindow();
}

// The drive is only polled while someone can see what the timer reports.
void ToolsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    cd_->tmrCDLoad()->start();
    cd_->pollDrive();
}

void ToolsWindow::hideEvent(QHideEvent* event) {
    cd_->tmrCDLoad()->stop();
    QWidget::hideEvent(event);
}

// Escape reaches the running backup or restore from anywhere in the window (the tabs too).
void ToolsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && backup_->isRunning()) {
        backup_->escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ToolsWindow::releaseCdDrive() {
    cd_->releaseCdDrive();
}

} // namespace kalvor
