#include "tools/ui/TextReaderIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kalvor {

namespace {

constexpr int kSize = 24;

void page(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.top() + 4));
    p.drawLine(QPointF(r.right() - 4, r.top() + 4), QPointF(r.right(), r.top() + 4));
}

void lines(QPainter& p, const double (&widths)[4], double left, bool right, bool centre) {
    for (int i = 0; i < 4; ++i) {
        const double w = widths[i];
        const double x = centre ? 12 - w / 2 : (right ? 20 - w : left);
        p.drawLine(QPointF(x, 6 + i * 4), QPointF(x + w, 6 + i * 4));
    }
}

void letter(QPainter& p, const QString& s, bool bold, bool italic, bool underline) {
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(17);
    f.setBold(bold);
    f.setItalic(italic);
    p.setFont(f);
    p.drawText(QRectF(0, 0, kSize, underline ? 20 : kSize), Qt::AlignCenter, s);
    if (underline)
        p.drawLine(QPointF(6, 20.5), QPointF(18, 20.5));
}

void floppy(QPainter& p) {
    QPainterPath body;
    body.moveTo(4, 4);
    body.lineTo(17, 4);
    body.lineTo(20, 7);
    body.lineTo(20, 20);
    body.lineTo(4, 20);
    body.closeSubpath();
    p.drawPath(body);
    p.drawRect(QRectF(8, 4, 7, 5));
    p.drawRect(QRectF(7, 13, 10, 7));
}

void draw(QPainter& p, ReaderSymbol s, const QColor& c) {
    QPen pen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (s) {
    case ReaderSymbol::New:
        page(p, QRectF(5, 3, 14, 18));
        p.drawLine(QPointF(12, 9), QPointF(12, 17));
        p.drawLine(QPointF(8, 13), QPointF(16, 13));
        break;
    case ReaderSymbol::Open: {
        QPainterPath back;
        back.moveTo(3, 19);
        back.lineTo(3, 5);
        back.lineTo(9, 5);
        back.lineTo(11, 7);
        back.lineTo(18, 7);
        back.lineTo(18, 10);
        p.drawPath(back);
        QPainterPath front;
        front.moveTo(3, 19);
        front.lineTo(7, 10);
        front.lineTo(21, 10);
        front.lineTo(17, 19);
        front.closeSubpath();
        p.drawPath(front);
        break;
    }
    case ReaderSymbol::Save:
        floppy(p);
        break;
    case ReaderSymbol::SaveAs:
        floppy(p);
        p.setPen(QPen(QColor(0xf0, 0xb0, 0x40), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 21), QPointF(22, 13));
        break;
    case ReaderSymbol::Close:
        page(p, QRectF(5, 3, 14, 18));
        p.drawLine(QPointF(9, 10), QPointF(15, 16));
        p.drawLine(QPointF(15, 10), QPointF(9, 16));
        break;
    case ReaderSymbol::Print:
        p.drawRect(QRectF(7, 3, 10, 6));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);
        p.drawRect(QRectF(7, 14, 10, 7));
        p.drawLine(QPointF(9, 17), QPointF(15, 17));
        break;
    case ReaderSymbol::Undo: {
        QPainterPath arc;
        arc.moveTo(6, 10);
        arc.lineTo(15, 10);
        arc.cubicTo(22, 10, 22, 19, 15, 19);
        arc.lineTo(9, 19);
        p.drawPath(arc);
        p.drawLine(QPointF(6, 10), QPointF(10, 6));
        p.drawLine(QPointF(6, 10), QPointF(10, 14));
        break;
    }
    case ReaderSymbol::Cut:
        p.drawEllipse(QRectF(4, 15, 5, 5));
        p.drawEllipse(QRectF(15, 15, 5, 5));
        p.drawLine(QPointF(8, 15), QPointF(17, 3));
        p.drawLine(QPointF(16, 15), QPointF(7, 3));
        break;
    case ReaderSymbol::Copy:
        p.drawRect(QRectF(4, 3, 11, 13));
        p.setBrush(p.pen().color().darker(300));
        p.drawRect(QRectF(9, 8, 11, 13));
        break;
    case ReaderSymbol::Paste:
        p.drawRoundedRect(QRectF(5, 5, 14, 16), 2, 2);
        p.drawRect(QRectF(9, 3, 6, 4));
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
        p.drawLine(QPointF(8, 16), QPointF(14, 16));
        break;
    case ReaderSymbol::Delete:
        p.setPen(QPen(QColor(0xe0, 0x50, 0x50), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
        break;
    case ReaderSymbol::Find:
        p.drawEllipse(QRectF(4, 4, 11, 11));
        p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 14), QPointF(20, 20));
        break;
    case ReaderSymbol::Font: {
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setPixelSize(18);
        p.setFont(f);
        p.drawText(QRectF(1, 1, 16, 22), Qt::AlignCenter, QStringLiteral("A"));
        f.setPixelSize(12);
        p.setFont(f);
        p.drawText(QRectF(13, 8, 10, 14), Qt::AlignCenter, QStringLiteral("a"));
        break;
    }
    case ReaderSymbol::Bold:
        letter(p, QStringLiteral("B"), true, false, false);
        break;
    case ReaderSymbol::Italic:
        letter(p, QStringLiteral("I"), false, true, false);
        break;
    case ReaderSymbol::Underline:
        letter(p, QStringLiteral("U"), false, false, true);
        break;
    case ReaderSymbol::LeftAlign:
        lines(p, {16, 10, 16, 8}, 4, false, false);
        break;
    case ReaderSymbol::CenterAlign:
        lines(p, {16, 10, 16, 8}, 4, false, true);
        break;
    case ReaderSymbol::RightAlign:
        lines(p, {16, 10, 16, 8}, 4, true, false);
        break;
    case ReaderSymbol::Exit:
        p.drawRect(QRectF(4, 3, 10, 18));
        p.drawLine(QPointF(10, 12), QPointF(21, 12));
        p.drawLine(QPointF(21, 12), QPointF(17, 8));
        p.drawLine(QPointF(21, 12), QPointF(17, 16));
        break;
    case ReaderSymbol::Play: {
        QPainterPath tri;
        tri.moveTo(7, 5);
        tri.lineTo(19, 12);
        tri.lineTo(7, 19);
        tri.closeSubpath();
        p.setBrush(c);
        p.drawPath(tri);
        break;
    }
    }
}

QPixmap render(ReaderSymbol s, const QColor& c) {
    const qreal dpr = 2.0;
    QPixmap pm(QSize(kSize, kSize) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p, s, c);
    return pm;
}

} // namespace

QIcon readerIcon(ReaderSymbol symbol, const QColor& colour) {
    QIcon icon;
    icon.addPixmap(render(symbol, colour), QIcon::Normal);
    icon.addPixmap(render(symbol, QColor(0x80, 0x80, 0x80)), QIcon::Disabled);
    return icon;
}

} // namespace kalvor
