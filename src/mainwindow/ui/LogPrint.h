// The play log on paper: the header row on every page, the stored margins, the column
// width setting for the text columns, and a page number. Pages are painted by one routine
// so a printer, a PDF file and a picture of a page all look the same. UI thread.
#pragma once

#include <QRect>
#include <QString>

class QPainter;
class QPagedPaintDevice;

namespace kalvor {

class PlayLog;

struct LogPrintLayout {
    int marginLR = 10; // millimetres
    int marginTB = 10;
    int colWidth = 100; // points for each of the artist and title columns
};

// Paints page `page` (0-based) into `area` (the full page) of a device with `dpi`.
void paintLogPage(QPainter& p, const PlayLog& log, int page, const QRect& area, int dpi,
                  const LogPrintLayout& layout);

// Prints every row to `device`. False with `error` set when the device cannot be painted.
bool printLog(const PlayLog& log, QPagedPaintDevice& device, const LogPrintLayout& layout,
              QString* error = nullptr);

} // namespace kalvor
