// Turns one input report of a keypad into the key presses and releases it means, given
// the keys known to be down before it. Pure: the caller keeps the state, so tests and the
// fuzzer feed bytes straight in. Any thread.
//
// The report is taken as the reader hands it over: byte 0 is the report number (0 for
// these keypads), the key bytes follow at the positions of each model's layout.
#pragma once

#include "control/xkeys/XkeysModels.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kalvor::xkeys {

enum class Block {
    Channel,  // channel keys 0.. (the Stick's keys 0..15, its preset keys 14 and 15 included)
    Function, // function keys 1..64 (K128) or 1..56 (K84)
    Control,  // Professional control keys 1..18
    Special,  // XK-24 special keys 1..2
};

struct KeyEvent {
    Block block;
    int key;
    bool pressed;
    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// The last known state of every key; numbered keys (1..) sit at index key - 1.
struct KeyState {
    std::array<bool, 32> channel{};
    std::array<bool, 64> function{};
    std::array<bool, 18> control{};
    std::array<bool, 2> special{};
    friend bool operator==(const KeyState&, const KeyState&) = default;
};

enum class ReportCheck {
    Keys,    // decoded
    Short,   // fewer bytes than the model's key bytes need: nothing changes
    NotKeys, // K128/K84 report whose byte 3 is not 7A: nothing changes
};

struct Decoded {
    KeyState state;               // the state after the report
    std::vector<KeyEvent> events; // channel block first, then the model's second block;
                                  // ascending key order inside each block
    ReportCheck check = ReportCheck::Keys;
};

Decoded decodeReport(const Model& model, Layout layout, const KeyState& previous,
                     std::span<const std::uint8_t> report);

} // namespace kalvor::xkeys
