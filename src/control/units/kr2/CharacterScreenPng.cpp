// The peer's picture of a character display. Kept apart from the model so the decoders
// and their fuzzers need no font machinery.
#include "control/units/kr2/CharacterScreen.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace kalvor::units {

bool CharacterScreen::renderPng(const QString& path, const QString& caption) const {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(20);
    const QFontMetrics metrics(font);
    const int cw = metrics.horizontalAdvance(QLatin1Char('M'));
    const int ch = metrics.height();
    const int margin = 12;
    const int captionHeight = caption.isEmpty() ? 0 : ch + 6;
    QImage image(columns_ * cw + 2 * margin, rows_ * ch + 2 * margin + captionHeight,
                 QImage::Format_RGB32);
    // The units' displays: pale characters on a dark blue-green glass.
    const QColor glass(16, 40, 44);
    const QColor ink(170, 240, 200);
    image.fill(QColor(40, 40, 40));
    QPainter p(&image);
    p.setFont(font);
    if (captionHeight > 0) {
        p.setPen(QColor(200, 200, 200));
        p.drawText(margin, margin + metrics.ascent(), caption);
    }
    const int top = margin + captionHeight;
    p.fillRect(margin - 4, top - 4, columns_ * cw + 8, rows_ * ch + 8, glass);
    for (int r = 0; r < rows_; ++r) {
        for (int c = 0; c < columns_; ++c) {
            const ScreenCell& cell = this->cell(c, r);
            const QRect box(margin + c * cw, top + r * ch, cw, ch);
            if (cell.inverse)
                p.fillRect(box, ink);
            p.setPen(cell.inverse ? glass : ink);
            p.drawText(box, Qt::AlignCenter, QString(cell.ch));
            if (cell.blink)
                p.fillRect(box.left(), box.bottom() - 2, cw, 2, cell.inverse ? glass : ink);
        }
    }
    p.end();
    return image.save(path, "PNG");
}

} // namespace kalvor::units
