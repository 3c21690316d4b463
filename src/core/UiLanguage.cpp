#include "core/UiLanguage.h"

namespace kalvor {

UiLanguage& UiLanguage::instance() {
    static UiLanguage language;
    return language;
}

void UiLanguage::set(Language language) {
    if (language == current_)
        return;
    current_ = language;
    Q_EMIT changed(language);
}

Language UiLanguage::fromSetting(const QString& value) {
    return value.trimmed().compare(QLatin1String("deutsch"), Qt::CaseInsensitive) == 0
               ? Language::German
               : Language::English;
}

QString UiLanguage::toSetting(Language language) {
    return language == Language::German ? QStringLiteral("deutsch") : QStringLiteral("english");
}

QString txt(const UiText& text, Language language) {
    return QString::fromUtf8(language == Language::German ? text.de : text.en);
}

QString txt(const UiText& text) {
    return txt(text, UiLanguage::instance().current());
}

} // namespace kalvor
