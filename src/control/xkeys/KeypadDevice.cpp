#include "control/xkeys/KeypadDevice.h"

namespace kalvor::xkeys {

std::optional<ChosenKeypad> chooseKeypad(const std::vector<KeypadFound>& listed) {
    for (const KeypadFound& f : listed) {
        if (f.usagePage != kUsagePage || f.productId == kIgnoredProduct)
            continue;
        if (const auto m = findModel(f.productId))
            return ChosenKeypad{*m, f.path};
    }
    return std::nullopt;
}

} // namespace kalvor::xkeys
