#include "mainwindow/ui/LogPrint.h"

#include "mainwindow/PlayLog.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>

namespace kalvor {

namespace {

int mmToPx(int mm, int dpi) {
    return mm * dpi * 10 / 254;
}

// Point sizes scale with the device; pixel sizes would print tiny on 1200 dpi.
QFont printFont(const PlayLog& log) {
    QFont f = log.font();
    f.setPointSizeF(f.pointSizeF() > 0 ? f.pointSizeF() : 9);
    return f;
}

QRect inner(const QRect& area, int dpi, const LogPrintLayout& l) {
    return area.adjusted(mmToPx(l.marginLR, dpi), mmToPx(l.marginTB, dpi), -mmToPx(l.marginLR, dpi),
                         -mmToPx(l.marginTB, dpi));
}

int rowHeight(const QFont& f, QPaintDevice* device) {
    return QFontMetrics(f, device).height() * 14 / 10;
}

// Widths of the seven columns; the notes take what is left.
std::array<int, kLogColumns> columnWidths(const QFont& f, QPaintDevice* device, int total, int dpi,
                                          const LogPrintLayout& l) {
    const QFontMetrics fm(f, device);
    const int pad = fm.averageCharWidth() * 2;
    const int text = std::max(20, l.colWidth) * dpi / 72;
    std::array<int, kLogColumns> w{};
    w[LogNo] = fm.horizontalAdvance(QStringLiteral("00000")) + pad;
    w[LogArtist] = text;
    w[LogTitle] = text * 3 / 2;
    w[LogDate] = fm.horizontalAdvance(QStringLiteral("00.00.0000")) + pad;
    w[LogTime] = fm.horizontalAdvance(QStringLiteral("00:00")) + pad;
    w[LogLength] = fm.horizontalAdvance(QStringLiteral("00:00:00")) + pad;
    // A width setting too wide for the paper shrinks the text columns, never the notes away.
    const int fixed = w[LogNo] + w[LogDate] + w[LogTime] + w[LogLength];
    const int room = std::max(0, total * 4 / 5 - fixed);
    if (w[LogArtist] + w[LogTitle] > room) {
        w[LogArtist] = room * 2 / 5;
        w[LogTitle] = room * 3 / 5;
    }
    const int used = fixed + w[LogArtist] + w[LogTitle];
    w[LogNotes] = std::max(0, total - used);
    return w;
}

} // namespace

void paintLogPage(QPainter& p, const PlayLog& log, int page, const QRect& area, int dpi,
                  const LogPrintLayout& layout) {
    const QRect box = inner(area, dpi, layout);
    const QFont f = printFont(log);
    p.setFont(f);
    const int rh = rowHeight(f, p.device());
    const auto w = columnWidths(f, p.device(), box.width(), dpi, layout);
    const int perPage = std::max(1, box.height() / rh - 3);
    const int first = page * perPage;
    const int last = std::min(log.rows(), first + perPage);
    const int pad = QFontMetrics(f, p.device()).averageCharWidth() / 2;

    const auto drawRow = [&](int y, const LogRowCells& cells, bool header) {
        int x = box.left();
        for (int c = 0; c < kLogColumns; ++c) {
            const LogCell& cell = cells[static_cast<std::size_t>(c)];
            QFont cf = f;
            cf.setBold(header || cell.format.bold);
            cf.setItalic(cell.format.italic);
            p.setFont(cf);
            p.setPen(cell.format.colour.isValid() ? cell.format.colour : QColor(Qt::black));
            const QRect r(x, y, w[static_cast<std::size_t>(c)], rh);
            const bool left = c == LogArtist || c == LogTitle || c == LogNotes;
            p.drawText(r.adjusted(pad, 0, -pad, 0),
                       Qt::AlignVCenter | (left ? Qt::AlignLeft : Qt::AlignHCenter),
                       QFontMetrics(cf, p.device())
                           .elidedText(cell.text, Qt::ElideRight, r.width() - 2 * pad));
            p.setPen(QPen(QColor(160, 160, 160), 0));
            p.drawRect(r);
            x += r.width();
        }
    };
    int y = box.top();
    drawRow(y, log.header(), true);
    y += rh;
    for (int r = first; r < last; ++r, y += rh)
        drawRow(y, log.allRows()[static_cast<std::size_t>(r)], false);
    p.setFont(f);
    p.setPen(Qt::black);
    const int pages = std::max(1, (log.rows() + perPage - 1) / perPage);
    p.drawText(QRect(box.left(), box.bottom() - rh, box.width(), rh),
               Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("%1 / %2").arg(page + 1).arg(pages));
}

bool printLog(const PlayLog& log, QPagedPaintDevice& device, const LogPrintLayout& layout,
              QString* error) {
    QPainter p;
    if (!p.begin(&device)) {
        if (error)
            *error = QStringLiteral("the printer could not be opened");
        return false;
    }
    const int dpi = device.logicalDpiY();
    const QRect area(0, 0, device.width(), device.height());
    const QFont f = printFont(log);
    const int rh = rowHeight(f, &device);
    const int perPage = std::max(1, inner(area, dpi, layout).height() / rh - 3);
    const int pages = std::max(1, (log.rows() + perPage - 1) / perPage);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        paintLogPage(p, log, page, area, dpi, layout);
    }
    return p.end();
}

} // namespace kalvor
