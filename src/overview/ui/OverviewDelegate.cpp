#include "overview/ui/OverviewDelegate.h"

#include "overview/OverviewColumns.h"
#include "overview/ui/OverviewModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

namespace kalvor {
namespace {

const QColor kPlaying(40, 170, 60);
const QColor kPaused(230, 160, 20);
const QColor kPlayingRow(214, 244, 214);
const QColor kPausedRow(255, 236, 184);
const QColor kProgress(150, 195, 245);
const QColor kOffsetFill(225, 205, 140);

void drawSymbol(QPainter* p, OverviewColumn column, const QRectF& cell, const QColor& colour) {
    const qreal s = std::min(cell.width(), cell.height()) * 0.55;
    const QRectF r(cell.center().x() - s / 2, cell.center().y() - s / 2, s, s);
    QPainterPath path;
    auto triangle = [&](qreal left, qreal right, bool pointsRight) {
        const qreal tip = pointsRight ? right : left;
        const qreal base = pointsRight ? left : right;
        path.moveTo(base, r.top());
        path.lineTo(tip, r.center().y());
        path.lineTo(base, r.bottom());
        path.closeSubpath();
    };
    switch (column) {
    case OverviewColumn::Play:
        triangle(r.left() + s * 0.1, r.right(), true);
        break;
    case OverviewColumn::PauseButton:
        path.addRect(r.left() + s * 0.1, r.top(), s * 0.3, s);
        path.addRect(r.left() + s * 0.6, r.top(), s * 0.3, s);
        break;
    case OverviewColumn::Stop:
        path.addRect(r.adjusted(s * 0.08, s * 0.08, -s * 0.08, -s * 0.08));
        break;
    case OverviewColumn::Rewind:
        triangle(r.left(), r.center().x(), false);
        triangle(r.center().x(), r.right(), false);
        break;
    case OverviewColumn::Forward:
        triangle(r.left(), r.center().x(), true);
        triangle(r.center().x(), r.right(), true);
        break;
    default:
        return;
    }
    p->setRenderHint(QPainter::Antialiasing);
    p->fillPath(path, colour);
}

} // namespace

void OverviewDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const int col = index.data(OverviewModel::ColumnRole).toInt();
    const QRect cell = option.rect;
    p->save();
    if (col >= 0 && isTransportColumn(static_cast<OverviewColumn>(col))) {
        QStyleOptionButton button;
        button.rect = cell.adjusted(1, 1, -1, -1);
        button.palette = option.palette;
        const bool pressed = index.data(OverviewModel::PressedRole).toBool();
        button.state =
            QStyle::State_Enabled | (pressed ? QStyle::State_Sunken : QStyle::State_Raised);
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_PushButtonBevel, &button, p, w);
        const int state = index.data(OverviewModel::PlayStateRole).toInt();
        QColor symbol = option.palette.color(QPalette::ButtonText);
        if (col == static_cast<int>(OverviewColumn::Play) && state == 1) {
            p->fillRect(button.rect.adjusted(2, 2, -2, -2), kPlaying);
            symbol = Qt::white;
        } else if (col == static_cast<int>(OverviewColumn::PauseButton) && state == 2)
            symbol = kPaused;
        drawSymbol(p, static_cast<OverviewColumn>(col), button.rect, symbol);
        p->restore();
        return;
    }
    // Drawn by hand from a few roles: the cells are many and are redrawn while playing.
    QFont font = index.data(Qt::FontRole).value<QFont>();
    QColor text = option.palette.color(QPalette::Text);
    if (const QVariant fg = index.data(Qt::ForegroundRole); fg.isValid())
        text = fg.value<QColor>();
    // The row's colour tells the channel's state from across the room.
    const int state = index.data(OverviewModel::PlayStateRole).toInt();
    if (state != 0)
        p->fillRect(cell, state == 1 ? kPlayingRow : kPausedRow);
    if (col < 0) {
        if (state != 0) {
            p->fillRect(cell, state == 1 ? kPlaying : kPaused);
            text = Qt::black;
        }
        font.setBold(true);
    } else if (const double fill = index.data(OverviewModel::FillRole).toDouble(); fill > 0.0) {
        QRect part = cell;
        part.setWidth(static_cast<int>(cell.width() * fill));
        p->fillRect(part, col == static_cast<int>(OverviewColumn::Sound) ? kOffsetFill : kProgress);
    }
    if (index.data(OverviewModel::FlashRole).toBool()) {
        p->fillRect(cell, QColor(255, 255, 255));
        text = Qt::black;
    }
    const QString shown = index.data(Qt::DisplayRole).toString();
    if (!shown.isEmpty()) {
        p->setFont(font);
        p->setPen(text);
        const auto align = static_cast<Qt::Alignment>(index.data(Qt::TextAlignmentRole).toInt());
        p->drawText(cell.adjusted(4, 0, -4, 0), align,
                    QFontMetrics(font).elidedText(shown, Qt::ElideRight, cell.width() - 8));
    }
    p->restore();
}

} // namespace kalvor
