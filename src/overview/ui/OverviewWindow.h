// The overview window: every channel as one row of a grid, acted on directly from its
// cells. A mirror of the store: each cell press calls the same show-layer operation as
// the main window's control, and the main window follows through the store's signals.
// It owns the grid's arrangement (column order, hidden columns, widths, font), the
// in-cell selectors, the REW/FWD spool timer and its menus. Closing it only hides it.
// UI thread.
#pragma once

#include "core/UiLanguage.h"
#include "overview/GridArrangement.h"
#include "overview/OverviewActions.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLineEdit;
class QSlider;
class QTableView;

namespace kalvor {

namespace playlist {
class PlaylistFiles;
}

class OverviewModel;
class Settings;
class ShowLayer;

class OverviewWindow : public QMainWindow {
    Q_OBJECT
public:
    OverviewWindow(ShowLayer& show, Settings& settings, QWidget* parent = nullptr);
    ~OverviewWindow() override;

    OverviewActions& actions() { return actions_; }
    OverviewModel& model() { return *model_; }
    QTableView* grid() const { return grid_; }
    const OverviewColumnMap& columnMap() const { return map_; }

    // F1..F8 go to the main window's hotkeys; true when the key was used.
    std::function<bool(QKeyEvent*)> passKey;
    // The main window's commands of the File menu.
    std::function<void()> openPlaylist, savePlaylist, savePlaylistAs;
    // Channel menu "Remove start offset", owned by the start offsets.
    std::function<void(int ch)> removeStartOffset;
    // Time of day in whole seconds; tests set their own clock.
    std::function<std::int64_t()> secondsOfDay;

    // Playlists bring their layout to the grid on load and take the grid's on save; the
    // grid is not redrawn while a playlist loads.
    void attachToPlaylists(playlist::PlaylistFiles& files);

    // Shows the window at its stored rectangle.
    void showOverview();

    // The arrangement of the grid as its header has it, and back.
    GridArrangement arrangement() const;
    void setArrangement(const GridArrangement& grid);
    // `Load_Overview_Layout_Fileformat1/2/3` once the block is read: applied to the grid.
    void applyLayout(const playlist::OverviewLayout& layout);
    // What `Save_Overview_Layout_Fileformat3` writes.
    playlist::OverviewLayout currentLayout() const { return kalvor::takeLayout(arrangement()); }
    // `Load_Overview_Layout`: false when the file could not be read or names no version.
    bool loadLayoutFile(const QString& path);
    bool saveLayoutFile(const QString& path);
    void saveLayoutDialog();
    void loadLayoutDialog();

    void SetOverviewDefault();
    void ResetOverviewColumns();
    void SortOverviewColums();
    void MatchMenuToHiddenColumns();
    void HideAllSelectors();
    void OverviewSavePosition();
    void OverviewLoadPosition();
    // One tick of the spool timer.
    void spoolTick();
    QTimer& spoolTimer() { return spoolTimer_; }
    int lastChannel() const { return lastChannel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void applyCaptions();
    void buildSelectors();
    void cellPressed(const QModelIndex& index, Qt::MouseButton button);
    void cellReleased();
    void openSelector(CellRequest request, const QModelIndex& index);
    void selectorChosen(int value);
    void flash(const QModelIndex& index);
    void applyFont(const GridArrangement& grid);
    void setAutoSize(bool on);
    void changeFont();
    // Where the layout file dialogs open: the folder of the layout last used, else the
    // user's data folder.
    QString layoutFolder() const;

    ShowLayer& show_;
    Settings& settings_;
    OverviewActions actions_;
    OverviewModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    OverviewColumnMap map_;
    GridArrangement gridState_; // font and auto size; order, flags and widths live in the header
    std::array<int, kGridColumns> widthOfLogical_{}; // what hidden columns come back with
    QTimer spoolTimer_;
    QTimer positionTimer_;
    int lastChannel_ = 0;
    QModelIndex pressedCell_;
    QString pressedCaption_;
    // Selectors: one list, one slider panel and the info editor, over the clicked cell.
    QComboBox* list_ = nullptr;
    QFrame* sliderPanel_ = nullptr;
    QSlider* slider_ = nullptr;
    QLineEdit* info_ = nullptr;
    CellRequest selector_ = CellRequest::None;
    int selectorChannel_ = -1;
    QList<QAction*> columnActions_;
    QAction* showProgress_ = nullptr;
    QAction* autoSize_ = nullptr;
    QAction* onTop_ = nullptr;
    // Menus and entries with their texts, relabelled when the language changes.
    std::vector<std::pair<QAction*, UiText>> captions_;
    QString lastLayoutFolder_;
};

} // namespace kalvor
