// The preset list (`lbx_SceneMemory`) with its menu and the previous / next / recall /
// store / new buttons. It mirrors the store's preset memory (names, the selected entry and
// the current one) and hands every action to the show layer with the modifier keys held
// at the time. UI thread.
#pragma once

#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QAction;
class QToolButton;

namespace kalvor {

class Settings;
class ShowLayer;
class ShowStore;

class PresetPanel : public QWidget {
    Q_OBJECT
public:
    PresetPanel(ShowLayer& show, Settings& settings, QWidget* parent = nullptr);

    // For the hotkeys.
    void focusList();
    void focusNextButton();
    void focusPreviousButton();

    QListWidget* list() const { return lbx_SceneMemory_; }
    QMenu* listMenu() const { return mnuSceneMemory_; }

    // The list font from the four preset-list font settings.
    void applyListFont();
    // "Change Font": the font dialog, then the list and the settings.
    void ChangeFont();

    void applyCaptions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildList();
    void showCurrent();
    void onItemPressed(QListWidgetItem* item);
    void buildMenu();

    ShowLayer& show_;
    ShowStore& store_;
    Settings& settings_;
    bool filling_ = false;

    QListWidget* lbx_SceneMemory_ = nullptr;
    QToolButton* cmdPreviousScene_ = nullptr;
    QToolButton* cmdNextScene_ = nullptr;
    QToolButton* cmdRecallScene_ = nullptr;
    QToolButton* cmdStoreScene_ = nullptr;
    QToolButton* cmdNewScene_ = nullptr;
    QMenu* mnuSceneMemory_ = nullptr;
    struct MenuActions {
        QAction* add = nullptr;
        QAction* remove = nullptr;
        QAction* removeAll = nullptr;
        QAction* rename = nullptr;
        QAction* copy = nullptr;
        QAction* cut = nullptr;
        QAction* insertBefore = nullptr;
        QAction* insertAfter = nullptr;
        QAction* insertNewBefore = nullptr;
        QAction* insertNewAfter = nullptr;
        QAction* changeFont = nullptr;
    } actions_;
};

} // namespace kalvor
