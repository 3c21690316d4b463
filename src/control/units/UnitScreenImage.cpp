#include "control/units/UnitScreenImage.h"

#include "control/units/UnitScreen.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>

namespace kalvor {
namespace {

const QColor kPaper(0xc8, 0xd8, 0xb0);
const QColor kInk(0x18, 0x20, 0x18);

QFont unitFont(int pixelHeight) {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(std::max(4, pixelHeight));
    // Hard edges as on the unit; XOR drawing needs them too.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// The unit's point (x, y) in picture pixels, before scaling.
QPoint toPicture(const UnitSurface& s, int x, int y) {
    return s.portrait ? QPoint(y, s.width - 1 - x) : QPoint(x, y);
}

QRect toPicture(const UnitSurface& s, int x1, int y1, int x2, int y2) {
    return QRect(toPicture(s, x1, y1), toPicture(s, x2, y2)).normalized();
}

void drawDots(const UnitScreen& screen, QImage& img) {
    const UnitSurface& s = screen.surface();
    // Drawn in white on black and inverted at the end, so XOR text is light on dark
    // fills and dark on the paper alike.
    img.fill(Qt::black);
    QPainter p(&img);
    p.scale(s.scale, s.scale);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const UnitItem& it : screen.items()) {
        switch (it.kind) {
        case UnitItem::Kind::Line:
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setPen(QPen(Qt::white, 1));
            p.drawLine(toPicture(s, it.x1, it.y1), toPicture(s, it.x2, it.y2));
            break;
        case UnitItem::Kind::Frame: {
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setPen(QPen(Qt::white, std::max(1, it.style - 1)));
            p.setBrush(Qt::NoBrush);
            p.drawRect(toPicture(s, it.x1, it.y1, it.x2, it.y2));
            break;
        }
        case UnitItem::Kind::Fill: {
            const QRect r = toPicture(s, it.x1, it.y1, it.x2, it.y2);
            if (it.fill == UnitFill::Invert) {
                p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                p.fillRect(r, Qt::white);
            } else {
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.fillRect(r, it.fill == UnitFill::Solid ? Qt::white : Qt::black);
            }
            break;
        }
        case UnitItem::Kind::Text: {
            const QFont f = unitFont(it.attrs.size);
            p.setFont(f);
            const QFontMetrics fm(f);
            const QPoint at = toPicture(s, it.x1, it.y1);
            // The text's cell runs from the anchor up (bottom anchor) or down (top
            // anchor), descenders included, so "_" and "g" show whole.
            const int top = s.anchorBottom ? at.y() - fm.height() + 1 : at.y();
            const QRect box(QPoint(at.x(), top), QSize(fm.horizontalAdvance(it.text), fm.height()));
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            if (it.attrs.inverse)
                p.fillRect(box, Qt::white);
            p.setPen(Qt::white);
            p.drawText(QPoint(at.x(), top + fm.ascent()), it.text);
            break;
        }
        }
    }
    p.end();
    img.invertPixels();
}

void drawCells(const UnitScreen& screen, QImage& img) {
    const UnitSurface& s = screen.surface();
    img.fill(kPaper);
    QPainter p(&img);
    const QFont f = unitFont(s.cellHeight * s.scale * 3 / 4);
    p.setFont(f);
    const int cw = s.cellWidth * s.scale;
    const int ch = s.cellHeight * s.scale;
    for (int r = 0; r < s.height; ++r) {
        for (int c = 0; c < s.width; ++c) {
            const UnitCell& cell = screen.cell(c, r);
            const QRect box(c * cw, r * ch, cw, ch);
            if (cell.attrs.inverse)
                p.fillRect(box, kInk);
            if (cell.ch == QLatin1Char(' '))
                continue;
            p.setPen(cell.attrs.inverse ? kPaper : kInk);
            p.drawText(box, Qt::AlignCenter, QString(cell.ch));
            if (cell.attrs.blink)
                p.fillRect(QRect(box.left(), box.bottom() - 1, cw, 2), p.pen().color());
        }
    }
}

} // namespace

QImage renderUnitScreen(const UnitScreen& screen) {
    const UnitSurface& s = screen.surface();
    QSize size;
    if (s.grid == UnitSurface::Grid::Cells) {
        size = QSize(s.width * s.cellWidth, s.height * s.cellHeight) * s.scale;
    } else {
        size = (s.portrait ? QSize(s.height, s.width) : QSize(s.width, s.height)) * s.scale;
    }
    QImage img(size, QImage::Format_RGB32);
    if (s.grid == UnitSurface::Grid::Cells) {
        drawCells(screen, img);
        return img;
    }
    drawDots(screen, img);
    // Ink and paper in the LCD's colours: white became black above, so map on luminance.
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = qGray(line[x]) < 128 ? kInk.rgb() : kPaper.rgb();
    }
    return img;
}

bool saveUnitScreenPng(const UnitScreen& screen, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !renderUnitScreen(screen).save(&file, "PNG") ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kalvor
