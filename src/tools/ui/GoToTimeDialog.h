// The go-to-time dialog: moves one channel's playing position to a typed time. It never
// blocks: playback, meters and hotkeys go on while it is open, and the main window's and
// the overview's displays follow the move through the playback's position signal.
// UI thread.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kalvor {

class ShowLayer;

class GoToTimeDialog : public QDialog {
    Q_OBJECT
public:
    explicit GoToTimeDialog(ShowLayer& show, QWidget* parent = nullptr);

    // A double click on a position display gives the long title, a key the short one.
    void openFor(int ch, bool fromKey);
    int channel() const { return ch_; }

    QLineEdit* TimeInput() const { return input_; }
    QPushButton* btnOK() const { return ok_; }
    QPushButton* btnClear() const { return clear_; }
    QPushButton* btnCancel() const { return cancel_; }
    QLabel* message() const { return message_; }

private:
    void go();
    void applyCaptions();

    ShowLayer& show_;
    int ch_ = -1;
    bool fromKey_ = false;
    QLabel* channelLabel_;
    QLineEdit* input_;
    QLabel* message_;
    QPushButton* ok_;
    QPushButton* clear_;
    QPushButton* cancel_;
};

} // namespace kalvor
