// The MTC cue window: start and stop cue of one channel as hours, minutes, seconds and
// frames, each field with a step up and down, plus Capture, Reset, Copy and Paste. Every
// change goes through the time-code cue operations, which stop what time code started,
// redraw the strips and the overview, and copy the cue to the play group; the window only
// shows what the store holds. UI thread.
#pragma once

#include "control/midi/MtcCues.h"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace kalvor {

class ShowLayer;

class CueWindow : public QWidget {
    Q_OBJECT
public:
    CueWindow(ShowLayer& show, midi::MtcCues& cues, QWidget* parent = nullptr);

    // Shows the window on channel `ch` (0..31).
    void showCueWindow(int ch);
    int channel() const { return ch_; }
    void refresh();

    // The field of a cue (0 start, 1 stop) and unit (0 hours .. 3 frames), for tests.
    QLineEdit* field(int cue, int unit) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Cue = midi::MtcCues::Cue;
    // Takes a left field into the cue; false (focus kept) when its value is out of range.
    bool commitField(int cue, int unit);
    void applyCaptions();

    ShowLayer& show_;
    midi::MtcCues& cues_;
    int ch_ = 0;
    bool filling_ = false;
    QSpinBox* selector_ = nullptr;
    std::array<std::array<QLineEdit*, 4>, 2> fields_{};
    std::array<QLabel*, 2> rowLabels_{};
};

} // namespace kalvor
