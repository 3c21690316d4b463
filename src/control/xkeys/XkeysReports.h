// The output reports that set a keypad's LEDs and backlight, byte 0 first (the report
// number, as the HID layer expects it). Pure, any thread.
#pragma once

#include "control/xkeys/XkeysModels.h"

#include <cstdint>
#include <vector>

namespace kalvor::xkeys {

using Report = std::vector<std::uint8_t>;

// The two LED masks of a Stick: channels 1..8 in `low`, 9..14 in `high` (bits 0..5).
struct StickLeds {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    friend bool operator==(const StickLeds&, const StickLeds&) = default;
};

// Sent once after opening. A Stick's masks are `leds` (all on when its LEDs are "always
// ON", else what is playing).
std::vector<Report> openingReports(const Model& model, StickLeds leds);

// A Stick's LED report for these masks; the other models have no play LEDs (empty).
std::vector<Report> stickLedReports(const Model& model, StickLeds leds);

// Everything dark, for closing.
std::vector<Report> ledsOffReports(const Model& model);

// Masks of the channels 0..13 that play.
StickLeds stickLedsFor(const bool* playing, int count);

} // namespace kalvor::xkeys
