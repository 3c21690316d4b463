// The one language switch of the program: the options' language buttons and the main
// window's Language menu both end here. It stores the choice and tells every window,
// which relabel themselves from `UiLanguage::changed`. UI thread.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor {

class Settings;

void switchLanguage(Settings& settings, Language language);

} // namespace kalvor
