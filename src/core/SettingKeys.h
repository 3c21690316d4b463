// Every key of the per-user settings store, with its section, type and default. The
// table is the single place that says what a fresh user starts with. Any thread (const).
#pragma once

#include <QString>

#include <span>

namespace kalvor {

enum class SettingType {
    Text,    // kept as written ("8,25" stays "8,25"); on/off keys use "ON"/"OFF" or "1"/"0"
    Integer, // full conversion: anything but a whole number is an error
    Boolean, // "True"/"False" or a number (0 is false)
};

struct SettingKey {
    const char* section; // "User", "Midi" or "GPIO"
    const char* name;    // as written to the file; matched without regard to case
    SettingType type;
    const char* defaultValue; // nullptr: depends on the language (GPIO line captions)
};

// The fixed keys, the five keys of each GPIO line 01..24, then the four keys of each
// start-offset preset 1..20.
std::span<const SettingKey> settingKeys();

// nullptr when `name` is no key of ours (case-insensitive).
const SettingKey* findSettingKey(QStringView name);

// "StartOffsetPresetValue" + "7" and so on; `n` is 1..20.
QString offsetPresetKey(const char* prefix, int n);

// "LineFunctionText " + "01" and so on; `line` is 1..24.
QString gpioLineKey(const char* prefix, int line);

} // namespace kalvor
