// The main window until the real one with its channel strips exists: it shows what the
// store holds (playlist, presets, channel titles), offers the system messages and the
// language switch, and closes through the program's quit sequence. It keeps no show
// state of its own. UI thread.
#pragma once

#include <QMainWindow>

#include <array>

class QLabel;
class QAction;
class QMenu;

namespace kalvor {

class Lifecycle;
class Settings;
class ShowStore;
class SystemMessagesWindow;

class PlaceholderMainWindow : public QMainWindow {
    Q_OBJECT
public:
    PlaceholderMainWindow(ShowStore& store, Settings& settings, Lifecycle& lifecycle,
                          SystemMessagesWindow& messages);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyCaptions();
    void refresh();

    ShowStore& store_;
    Settings& settings_;
    Lifecycle& lifecycle_;
    QLabel* playlist_;
    QLabel* presets_;
    std::array<QLabel*, 32> titles_{};
    QMenu* fileMenu_;
    QMenu* viewMenu_;
    QMenu* languageMenu_;
    QAction* exit_;
    QAction* showMessages_;
    QAction* english_;
    QAction* german_;
};

} // namespace kalvor
