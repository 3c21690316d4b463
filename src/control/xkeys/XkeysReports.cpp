#include "control/xkeys/XkeysReports.h"

namespace kalvor::xkeys {

namespace {

// The large keypads' backlight report: `v` is the backlight level.
Report backlight(std::uint8_t v) {
    return {0x00, 0x89, 0x89, 0x00, 0x00, 0x00, 0x00, v, 0x12};
}

Report padded(std::initializer_list<std::uint8_t> head, std::size_t size) {
    Report r(head);
    r.resize(size, 0);
    return r;
}

std::vector<Report> xk24(bool on) {
    constexpr std::size_t kSize = 36;
    return {padded({0x00, 0xBA, std::uint8_t(on ? 0x40 : 0x00)}, kSize),
            padded({0x00, 0xB6, 0x00, 0x00}, kSize), padded({0x00, 0xB6, 0x01, 0x00}, kSize),
            padded({0x00, 0xB6, 0x00, std::uint8_t(on ? 0x3F : 0x00)}, kSize),
            padded({0x00, 0xBB, std::uint8_t(on ? 0xFF : 0x00), std::uint8_t(on ? 0xFF : 0x00)},
                   kSize)};
}

Report professional(const Model& m, std::uint8_t v) {
    if (m.productId == 0x02A7)
        return {0x02, 0xBA, 0x00, 0x00, 0x00, 0x00, 0x00, v};
    return {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, v};
}

} // namespace

std::vector<Report> stickLedReports(const Model& m, StickLeds leds) {
    if (m.family != Family::Stick)
        return {};
    const std::uint8_t high = static_cast<std::uint8_t>((leds.high & 0x3F) + 0xC0);
    if (m.productId == 0x02B5)
        return {{0x02, 0xBB, 0x00, 0x00, 0x00, 0x60, high, leds.low}};
    return {{0x00, 0x00, 0x00, 0x00, 0x00, leds.low, high, 0x00, 0x60}};
}

std::vector<Report> openingReports(const Model& m, StickLeds leds) {
    switch (m.family) {
    case Family::K128:
        return {backlight(0)};
    case Family::K84:
        return {backlight(0), {0x00, 0x96, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
    case Family::Xk24:
        return xk24(true);
    case Family::Professional:
        return {professional(m, 0x40)};
    case Family::Stick:
        return stickLedReports(m, leds);
    }
    return {};
}

std::vector<Report> ledsOffReports(const Model& m) {
    switch (m.family) {
    case Family::K128:
        return {backlight(0)};
    case Family::K84:
        return {backlight(0), {0x00, 0x96, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
    case Family::Xk24:
        return xk24(false);
    case Family::Professional:
        return {professional(m, 0x00)};
    case Family::Stick:
        return stickLedReports(m, {});
    }
    return {};
}

StickLeds stickLedsFor(const bool* playing, int count) {
    StickLeds l;
    for (int ch = 0; ch < count && ch < 14; ++ch) {
        if (!playing[ch])
            continue;
        if (ch < 8)
            l.low = static_cast<std::uint8_t>(l.low | (1u << ch));
        else
            l.high = static_cast<std::uint8_t>(l.high | (1u << (ch - 8)));
    }
    return l;
}

} // namespace kalvor::xkeys
