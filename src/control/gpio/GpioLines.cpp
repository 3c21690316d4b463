#include "control/gpio/GpioLines.h"

#include <QStringList>

namespace kalvor::gpio {

namespace {
// Far above any real chip; a typing error is not taken for an offset.
constexpr unsigned kMaxOffset = 4095;
} // namespace

LineOffsets parseGpioLines(const QString& text) {
    LineOffsets r;
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        for (int i = 0; i < kLines; ++i)
            r.offsets[static_cast<std::size_t>(i)] = static_cast<unsigned>(i);
        return r;
    }
    const QStringList parts = t.split(QLatin1Char(','));
    if (parts.size() != kLines) {
        r.error = QStringLiteral("GpioLines needs 24 line offsets, not %1").arg(parts.size());
        return r;
    }
    for (int i = 0; i < kLines; ++i) {
        bool ok = false;
        const unsigned v = parts.at(i).trimmed().toUInt(&ok);
        if (!ok || v > kMaxOffset) {
            r.error = QStringLiteral("GpioLines: entry %1 (\"%2\") is not a line offset")
                          .arg(i + 1)
                          .arg(parts.at(i).trimmed().left(20));
            return r;
        }
        for (int j = 0; j < i; ++j) {
            if (r.offsets[static_cast<std::size_t>(j)] == v) {
                r.error = QStringLiteral("GpioLines: offset %1 is given twice").arg(v);
                return r;
            }
        }
        r.offsets[static_cast<std::size_t>(i)] = v;
    }
    return r;
}

} // namespace kalvor::gpio
