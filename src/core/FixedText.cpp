#include "core/FixedText.h"

namespace kalvor {

namespace {

// UTF-16 index just past the first `width` code points of `text`.
qsizetype cutIndex(const QString& text, int width) {
    qsizetype i = 0;
    int chars = 0;
    while (i < text.size() && chars < width) {
        i +=
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ? 2
                : 1;
        ++chars;
    }
    return i;
}

} // namespace

int characterCount(const QString& text) {
    int chars = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()))
            ++chars;
    }
    return chars;
}

QString fitToWidth(const QString& text, int width) {
    if (width <= 0)
        return {};
    return text.left(cutIndex(text, width)).trimmed();
}

QString padToWidth(const QString& text, int width) {
    if (width <= 0)
        return {};
    QString cut = text.left(cutIndex(text, width));
    const int missing = width - characterCount(cut);
    if (missing > 0)
        cut += QString(missing, QLatin1Char(' '));
    return cut;
}

} // namespace kalvor
