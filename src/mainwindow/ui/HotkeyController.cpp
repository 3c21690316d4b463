#include "mainwindow/ui/HotkeyController.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QWidget>

namespace kalvor {

HotkeyController::HotkeyController(ShowLayer& show, Settings& settings, QWidget* mainWindow,
                                   HotkeyHooks hooks, QObject* parent)
    : QObject(parent), decoder_(show, settings, std::move(hooks)), mainWindow_(mainWindow) {}

HotkeyController::~HotkeyController() = default;

bool HotkeyController::actsFor(const QWidget* window) const {
    if (!window || !mainWindow_ || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget())
        return false;
    if (window == mainWindow_)
        return true;
    if (qobject_cast<const QDialog*>(window) || !window->property(kTakesHotkeys).toBool())
        return false;
    for (const QWidget* w = window->parentWidget(); w; w = w->parentWidget()) {
        if (w == mainWindow_)
            return true;
    }
    return false;
}

bool HotkeyController::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowDeactivate && watched == mainWindow_) {
        // Releases of keys held now go to another window; PLAY must not stay held.
        decoder_.releaseAll();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    // A key event not taken by a widget travels up its parents, passing this filter each
    // time; only its first delivery, to the focused widget (or the window), counts.
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = QApplication::activeWindow();
    if (!widget || widget != target)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const KeyStroke stroke = toKeyStroke(*key);
    if (type == QEvent::KeyRelease) {
        // The release of a PLAY key counts wherever it lands, or the key stays held.
        if (!actsFor(widget->window()) && !decoder_.functionKeyHeld(stroke.key))
            return false;
        return decoder_.keyUp(stroke, key->isAutoRepeat()) && actsFor(widget->window());
    }
    if (!actsFor(widget->window()))
        return false;
    if (type == QEvent::ShortcutOverride) {
        // A hotkey wins over a menu shortcut on the same key (Ctrl+O captures the start
        // offset, it does not open a playlist): accepting the override makes Qt deliver
        // the key as a press instead of firing the shortcut.
        if (!decoder_.claims(stroke))
            return false;
        event->accept();
        return true;
    }
    return decoder_.keyDown(stroke, key->isAutoRepeat());
}

} // namespace kalvor
