#include "overview/OverviewColumns.h"

#include "show/playlist/OverviewLayout.h"

namespace kalvor {

QString overviewCaption(OverviewColumn column) {
    return QString::fromLatin1(
        playlist::overviewColumnCaptions().at(static_cast<std::size_t>(column)));
}

std::optional<OverviewColumn> overviewColumnFromCaption(const QString& caption) {
    for (int c = 0; c < kOverviewColumns; ++c) {
        const auto column = static_cast<OverviewColumn>(c);
        if (overviewCaption(column) == caption)
            return column;
    }
    return std::nullopt;
}

bool isTransportColumn(OverviewColumn column) {
    return column >= OverviewColumn::Play && column <= OverviewColumn::Forward;
}

bool flashesOnPress(OverviewColumn column) {
    switch (column) {
    case OverviewColumn::Restart:
    case OverviewColumn::Loop:
    case OverviewColumn::Pause:
    case OverviewColumn::Hold:
    case OverviewColumn::Jump:
    case OverviewColumn::Rollback:
    case OverviewColumn::Autostart:
    case OverviewColumn::GpioIn:
    case OverviewColumn::GpioOut:
    case OverviewColumn::StartOffset:
    case OverviewColumn::Position:
    case OverviewColumn::MtcStart:
    case OverviewColumn::MtcStop:
        return true;
    default:
        return false;
    }
}

OverviewColumnMap::OverviewColumnMap() {
    for (int c = 0; c < kOverviewColumns; ++c)
        grid_[static_cast<std::size_t>(c)] = c + 1;
}

void OverviewColumnMap::SortOverviewColums(const QStringList& headerCaptions) {
    grid_.fill(-1);
    for (int g = 1; g < headerCaptions.size(); ++g) {
        if (const auto column = overviewColumnFromCaption(headerCaptions[g]))
            grid_[static_cast<std::size_t>(*column)] = g;
    }
}

} // namespace kalvor
