// The "Global Playback Control" buttons: rollback, play, pause, forward and repeat for
// every channel whose Rollback box is ticked. The transport symbols are drawn here, so
// they look the same on every machine. UI thread.
#pragma once

#include <QGroupBox>

class QToolButton;

namespace kalvor {

class ShowLayer;

class GlobalPlaybackPanel : public QGroupBox {
    Q_OBJECT
public:
    GlobalPlaybackPanel(ShowLayer& show, QWidget* parent = nullptr);

    void applyCaptions();
    // The "ToolTips" option: the panel has no settings of its own, so the owner says.
    void setTooltips(bool on);

private:
    ShowLayer& show_;
    bool tooltipsOn_ = true;
    QToolButton* cmdRollbwd_ = nullptr;
    QToolButton* cmd_Play_ = nullptr;
    QToolButton* cmd_Pause_ = nullptr;
    QToolButton* cmdRollfwd_ = nullptr;
    QToolButton* cmd_Repeat_ = nullptr;
};

} // namespace kalvor
