#include "control/xkeys/XkeysModels.h"

#include <array>

namespace kalvor::xkeys {

namespace {

constexpr UiText kProfessional{"X-Keys Professional Device (58 Keys)",
                               "X-Keys Professional Device (58 Keys)"};
constexpr UiText kStick{"X-Keys Stick Device (16 Keys)", "X-Keys Stick Device (16 Keys)"};

constexpr std::array<Model, 7> kModels{{
    {0x0306, Family::K128, {"X-Keys 128 Device (96 Keys)", "X-Keys 128 Device (96 Keys)"}, 32, 20},
    {0x0309, Family::K84, {"X-Keys 84 Device (84 Keys)", "X-Keys 84 Device (84 Keys)"}, 28, 16},
    {0x0403,
     Family::Xk24,
     {"X-Keys XK-24 Device (24 Keys)", "X-Keys XK-24 Device (24 Keys)"},
     22,
     7},
    {0x0291, Family::Professional, kProfessional, 32, 10},
    {0x02A7, Family::Professional, kProfessional, 32, 10},
    {0x0271, Family::Stick, kStick, 14, 5},
    {0x02B5, Family::Stick, kStick, 14, 5},
}};

} // namespace

std::optional<Model> findModel(std::uint16_t productId) {
    for (const Model& m : kModels) {
        if (m.productId == productId)
            return m;
    }
    return std::nullopt;
}

Layout layoutFromSetting(const QString& value) {
    return value.trimmed().compare(QLatin1String("Vertical Groups"), Qt::CaseInsensitive) == 0
               ? Layout::VerticalGroups
               : Layout::Standard;
}

} // namespace kalvor::xkeys
