// The overview grid's model: one row per channel, column 0 the channel number, columns
// 1..30 the overview columns in their fixed order (the view's header moves them). It reads
// everything from the store and the engine on demand and only tells the view which rows
// changed, so it never holds show state. UI thread.
#pragma once

#include "overview/OverviewColumns.h"
#include "show/playlist/GpioBlock.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <array>
#include <functional>

namespace kalvor {

class Settings;
class ShowLayer;

class OverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        FillRole = Qt::UserRole + 1, // double 0..1: filled part of the cell
        FlashRole,                   // bool: drawn white
        PressedRole,                 // bool: transport button held down
        ColumnRole,                  // int: the OverviewColumn, -1 for the channel number
        PlayStateRole,               // int: 0 stopped, 1 playing, 2 paused
    };

    // The GPI/O lines of each channel are read from `settings`, where the options and a
    // playlist's block put them.
    OverviewModel(ShowLayer& show, const Settings& settings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The frame rate of the time code being received: the MTC cells show the cues in it,
    // as the main window does. Unset: 25, the rate before any time code arrived.
    std::function<int()> mtcFps;
    // A time code at another rate arrived: the MTC cells are drawn again.
    void mtcRateChanged();

    // `OverviewFillRow`: the whole row is read again.
    void OverviewFillRow(int ch);
    // `OverviewDisableRow`: the row shows nothing (a channel without a sound).
    void OverviewDisableRow(int ch);
    // The Position cells whose position moved, the GPI/O cells when the lines were given
    // other functions and the MIDI cells when the octaves were; the progress fill as the
    // options have it now.
    void refreshPositions();

    void setShowProgress(bool on);
    bool showProgress() const { return showProgress_; }
    void setGridFont(const QFont& font, const QColor& text);
    const QFont& gridFont() const { return font_; }
    void setFlash(int ch, int logicalColumn, bool on);
    void setPressed(int ch, int logicalColumn, bool on);

private:
    void cellChanged(int ch, int logicalColumn);
    bool disabled(int ch) const { return disabled_[static_cast<std::size_t>(ch)]; }
    // Directions and function numbers of the 24 lines as the settings hold them now.
    playlist::GpioBlock gpioLines() const;

    ShowLayer& show_;
    const Settings& settings_;
    playlist::GpioBlock shownGpio_; // what the GPI/O cells were last drawn from
    int shownFps_ = 25;             // the rate the MTC cells were last drawn in
    // The "C3 = 60" option as the MIDI cells were last drawn with it.
    bool noteOffset() const;
    bool shownNoteOffset_ = true;
    int fps() const;
    bool showProgress_ = true;
    QFont font_;
    QColor text_;
    std::array<bool, 32> disabled_{};
    std::array<std::int64_t, 32> shownPosition_{}; // what each Position cell last showed
    int flashRow_ = -1, flashColumn_ = -1;
    int pressedRow_ = -1, pressedColumn_ = -1;
};

} // namespace kalvor
