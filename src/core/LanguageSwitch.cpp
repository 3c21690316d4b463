#include "core/LanguageSwitch.h"

#include "core/Settings.h"

namespace kalvor {

void switchLanguage(Settings& settings, Language language) {
    settings.setText(u"Language", UiLanguage::toSetting(language));
    settings.sync();
    UiLanguage::instance().set(language);
}

} // namespace kalvor
