// The black-screen view: a full-screen window for a darkened booth, driven from the
// keyboard. Dim text on black, no large bright areas: eight channels of the current bank
// with their sound names and times, the preset list, and one dim corner line with the
// keys. Keys it does not use go on to the main window's hotkeys. UI thread.
#pragma once

#include "control/BlackScreenControl.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class QKeyEvent;

namespace kalvor {

class ShowLayer;

class BlackScreenView : public QWidget {
    Q_OBJECT
public:
    explicit BlackScreenView(ShowLayer& show, QWidget* parent = nullptr);

    BlackScreenControl& control() { return control_; }

    // Opens full screen on bank 1..4.
    void openOnBank(int bank);

    // A key the view does not use, for the main window's hotkeys; true when taken.
    std::function<bool(QKeyEvent* event)> passKey;
    // After the view has closed: the main window comes back.
    std::function<void()> left;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    ShowLayer& show_;
    BlackScreenControl control_;
    QTimer redraw_;
};

} // namespace kalvor
