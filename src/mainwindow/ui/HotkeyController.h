// The main window's keyboard: installed on qApp, it sees every key before the focused
// control and hands it to the hotkey decoder, but only while the main window (or a window
// of its own that asks for the keys) is active and no modal dialog or popup menu is open,
// so a name typed into an input box or a message box answered by key never fires a cue.
// UI thread.
#pragma once

#include "mainwindow/Hotkeys.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace kalvor {

class HotkeyController : public QObject {
    Q_OBJECT
public:
    // A window owned by the main window sets this property to true to take the hotkeys
    // while it is active (a dialog never does).
    static constexpr const char* kTakesHotkeys = "kalvorTakesHotkeys";

    HotkeyController(ShowLayer& show, Settings& settings, QWidget* mainWindow, HotkeyHooks hooks,
                     QObject* parent = nullptr);
    ~HotkeyController() override;

    HotkeyDecoder& decoder() { return decoder_; }

    // Whether keys typed while `window` is the active window are hotkeys.
    bool actsFor(const QWidget* window) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HotkeyDecoder decoder_;
    QPointer<QWidget> mainWindow_;
};

} // namespace kalvor
