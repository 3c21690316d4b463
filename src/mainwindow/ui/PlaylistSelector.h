// The playlist selector (`cmbPlaylistList` in the frame `frmPlaylist`): the recent
// playlists by name; choosing one loads it. A selection the program makes itself (after a
// load or save) loads nothing. UI thread.
#pragma once

#include <QGroupBox>

class QComboBox;

namespace kalvor {

class RecentPlaylists;
class ShowLayer;

class PlaylistSelector : public QGroupBox {
    Q_OBJECT
public:
    PlaylistSelector(ShowLayer& show, RecentPlaylists& recent, QWidget* parent = nullptr);

    // Page Up (-1) / Page Down (+1): chooses the neighbouring entry as the operator would.
    // False when the selector is closed for input (a load runs) or there is no neighbour.
    bool step(int direction);
    // Page Up and Page Down act only while this is true.
    bool isOpenForInput() const;

    QComboBox* selector() const { return cmbPlaylistList_; }

    void applyCaptions();
    // The "ToolTips" option, as the owner reads it.
    void setTooltips(bool on);

private:
    void rebuild();
    void showSelection(int index);
    void onChosen(int index);

    ShowLayer& show_;
    RecentPlaylists& recent_;
    QComboBox* cmbPlaylistList_ = nullptr;
    bool filling_ = false;
    bool tooltipsOn_ = true;
};

} // namespace kalvor
