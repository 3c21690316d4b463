// The fonts of the sound lists and of the preset list. Each is four settings under one
// prefix ("SoundList", "SceneList"): the name, the size as the settings store writes it
// ("8,25"), and bold and italic as "1" or "0".
#pragma once

#include "core/Dialogs.h"

#include <QFont>
#include <QStringView>

namespace kalvor {

class Settings;

FontChoice listFontSetting(const Settings& settings, QStringView prefix);
void storeListFontSetting(Settings& settings, QStringView prefix, const FontChoice& font);
QFont toQFont(const FontChoice& font);

} // namespace kalvor
