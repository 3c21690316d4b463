// Draws the overview cells: the progress and start-offset fills, the white flash, the
// transport buttons (released or pressed, with painted symbols so no symbol font is
// needed) and the channel number in the colour of the channel's state. UI thread.
#pragma once

#include <QStyledItemDelegate>

namespace kalvor {

class OverviewDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace kalvor
