// The 30 overview columns, their captions and the map from each column to the grid column
// where it currently stands. Code that addresses a column goes through the map; the click
// dispatcher reads the caption of the clicked column instead, so a moved column keeps
// doing what its caption says. Any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace kalvor {

// In the fixed order of the layout block, which is also the default grid order.
enum class OverviewColumn {
    Sound,
    Duration,
    Position,
    Output,
    Restart,
    Loop,
    Pause,
    Hold,
    Jump,
    Rollback,
    Autostart,
    PlayGroup,
    StopGroup,
    Volume,
    Pan,
    VariSpeed,
    StartOffset,
    EndOffset,
    MtcStart,
    MtcStop,
    MidiIn,
    MidiOut,
    GpioIn,
    GpioOut,
    Play,
    PauseButton,
    Stop,
    Rewind,
    Forward,
    Info
};
inline constexpr int kOverviewColumns = 30;

QString overviewCaption(OverviewColumn column);
// Exact, case-sensitive match of a header caption; nullopt for anything else.
std::optional<OverviewColumn> overviewColumnFromCaption(const QString& caption);

bool isTransportColumn(OverviewColumn column);
// The columns whose cell flashes white once after a press.
bool flashesOnPress(OverviewColumn column);

class OverviewColumnMap {
public:
    OverviewColumnMap(); // default order: column c at grid column c + 1

    // `SortOverviewColums`: `headerCaptions[g]` is the caption of grid column g (0 is the
    // channel-number column). A column whose caption is not found keeps -1.
    void SortOverviewColums(const QStringList& headerCaptions);
    int gridColumn(OverviewColumn column) const { return grid_[static_cast<std::size_t>(column)]; }

private:
    std::array<int, kOverviewColumns> grid_{};
};

} // namespace kalvor
