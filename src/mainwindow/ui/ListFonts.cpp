#include "mainwindow/ui/ListFonts.h"

#include "core/Settings.h"

namespace kalvor {

namespace {

QString key(QStringView prefix, const char* field) {
    return prefix.toString() + QLatin1String(field);
}

bool isOne(const QString& text) {
    return text.trimmed() == QLatin1String("1");
}

QString oneOrZero(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

FontChoice listFontSetting(const Settings& settings, QStringView prefix) {
    FontChoice font;
    font.name = settings.text(key(prefix, "FontName"));
    // "." is read as well as the "," the store writes; a size that is no number keeps the
    // list readable at the default size.
    bool ok = false;
    const double size = settings.text(key(prefix, "FontSize"))
                            .replace(QLatin1Char(','), QLatin1Char('.'))
                            .toDouble(&ok);
    if (ok && size > 0)
        font.size = size;
    font.bold = isOne(settings.text(key(prefix, "FontBold")));
    font.italic = isOne(settings.text(key(prefix, "FontItalic")));
    return font;
}

void storeListFontSetting(Settings& settings, QStringView prefix, const FontChoice& font) {
    settings.setText(key(prefix, "FontName"), font.name);
    settings.setText(key(prefix, "FontSize"),
                     QString::number(font.size).replace(QLatin1Char('.'), QLatin1Char(',')));
    settings.setText(key(prefix, "FontBold"), oneOrZero(font.bold));
    settings.setText(key(prefix, "FontItalic"), oneOrZero(font.italic));
}

QFont toQFont(const FontChoice& font) {
    QFont f(font.name);
    f.setPointSizeF(font.size);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}

} // namespace kalvor
