// The keypad models we recognise, by USB product ID under vendor 05F3, and what each one's
// reports look like. Pure data, any thread.
#pragma once

#include "core/UiLanguage.h"

#include <cstdint>
#include <optional>

namespace kalvor::xkeys {

inline constexpr std::uint16_t kVendorId = 0x05F3;
inline constexpr std::uint16_t kUsagePage = 0x0C;
// A product of the same vendor that answers on usage page 0C but is no keypad.
inline constexpr std::uint16_t kIgnoredProduct = 0x0025;

enum class Family {
    K128,         // 0306: 32 channel keys, 64 function keys
    K84,          // 0309: 28 channel keys, 56 function keys
    Xk24,         // 0403: 22 channel keys, 2 special keys
    Professional, // 0291, 02A7: 32 channel keys, 18 control keys
    Stick,        // 0271, 02B5: 14 channel keys, previous and next preset
};

struct Model {
    std::uint16_t productId;
    Family family;
    UiText deviceText;
    int channelKeys;
    // The report as the reader hands it over (byte 0 the report number) must reach at least
    // this length for every key byte to be there.
    int reportBytes;
};

// The model of a product ID, or nothing for a product we do not drive.
std::optional<Model> findModel(std::uint16_t productId);

// Channel-key order of the Professional models ("XKeysLayout").
enum class Layout { Standard, VerticalGroups };
Layout layoutFromSetting(const QString& value);

} // namespace kalvor::xkeys
