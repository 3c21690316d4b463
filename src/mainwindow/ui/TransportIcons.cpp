#include "mainwindow/ui/TransportIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kalvor {

namespace {

QPainterPath triangle(double x, double y, double w, double h, bool pointsRight) {
    QPainterPath p;
    if (pointsRight) {
        p.moveTo(x, y);
        p.lineTo(x + w, y + h / 2);
        p.lineTo(x, y + h);
    } else {
        p.moveTo(x + w, y);
        p.lineTo(x, y + h / 2);
        p.lineTo(x + w, y + h);
    }
    p.closeSubpath();
    return p;
}

void draw(QPainter& p, TransportSymbol symbol, double s) {
    const double m = s * 0.18; // margin
    const double in = s - 2 * m;
    switch (symbol) {
    case TransportSymbol::Play:
        p.drawPath(triangle(m + in * 0.12, m, in * 0.85, in, true));
        break;
    case TransportSymbol::Pause:
        p.drawRect(QRectF(m + in * 0.1, m, in * 0.28, in));
        p.drawRect(QRectF(m + in * 0.62, m, in * 0.28, in));
        break;
    case TransportSymbol::WindBack:
        p.drawPath(triangle(m, m + in * 0.1, in / 2, in * 0.8, false));
        p.drawPath(triangle(m + in / 2, m + in * 0.1, in / 2, in * 0.8, false));
        break;
    case TransportSymbol::WindForward:
        p.drawPath(triangle(m, m + in * 0.1, in / 2, in * 0.8, true));
        p.drawPath(triangle(m + in / 2, m + in * 0.1, in / 2, in * 0.8, true));
        break;
    case TransportSymbol::Previous:
        p.drawRect(QRectF(m, m + in * 0.1, in * 0.14, in * 0.8));
        p.drawPath(triangle(m + in * 0.2, m + in * 0.1, in * 0.7, in * 0.8, false));
        break;
    case TransportSymbol::Next:
        p.drawPath(triangle(m + in * 0.1, m + in * 0.1, in * 0.7, in * 0.8, true));
        p.drawRect(QRectF(m + in * 0.86, m + in * 0.1, in * 0.14, in * 0.8));
        break;
    case TransportSymbol::Repeat: {
        // An open circle with an arrow head: play again from the marked place.
        const QRectF ring(m + in * 0.08, m + in * 0.08, in * 0.84, in * 0.84);
        QPen pen = p.pen();
        pen.setWidthF(s * 0.11);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(ring, 100 * 16, 290 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(pen.color());
        const QPointF top(ring.center().x() + in * 0.05, ring.top());
        QPainterPath head;
        head.moveTo(top + QPointF(-in * 0.05, -in * 0.2));
        head.lineTo(top + QPointF(in * 0.25, 0));
        head.lineTo(top + QPointF(-in * 0.05, in * 0.2));
        head.closeSubpath();
        p.drawPath(head);
        break;
    }
    }
}

QPixmap render(TransportSymbol symbol, const QColor& colour, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1.0));
    p.setBrush(colour);
    draw(p, symbol, size);
    return pm;
}

} // namespace

QIcon transportIcon(TransportSymbol symbol, const QColor& colour, int size) {
    QIcon icon;
    icon.addPixmap(render(symbol, colour, size), QIcon::Normal);
    QColor dim = colour;
    dim.setAlpha(90);
    icon.addPixmap(render(symbol, dim, size), QIcon::Disabled);
    return icon;
}

} // namespace kalvor
