#include "control/xkeys/XkeysDecoder.h"

namespace kalvor::xkeys {

namespace {

bool bit(std::span<const std::uint8_t> r, int byte, int b) {
    return ((r[static_cast<std::size_t>(byte)] >> b) & 1) != 0;
}

// Keys numbered row by row over the columns of a block: key = bit x columns + column.
template <typename Put>
void grid(std::span<const std::uint8_t> r, std::initializer_list<int> bytes, int rows, int first,
          Put put) {
    const int columns = static_cast<int>(bytes.size());
    int column = 0;
    for (int byte : bytes) {
        for (int b = 0; b < rows; ++b)
            put(b * columns + column + first, bit(r, byte, b));
        ++column;
    }
}

void professionalChannels(std::span<const std::uint8_t> r, Layout layout, std::array<bool, 32>& k) {
    if (layout == Layout::Standard) {
        for (int i = 0; i < 4; ++i) {
            k[static_cast<std::size_t>(i)] = bit(r, 2 * i + 1, 2);
            k[static_cast<std::size_t>(4 + i)] = bit(r, 2 * i + 1, 3);
        }
        for (int byte = 1; byte <= 8; ++byte) {
            for (int row = 0; row < 3; ++row)
                k[static_cast<std::size_t>(8 * (row + 1) + byte - 1)] = bit(r, byte, 4 + row);
        }
        return;
    }
    // Vertical groups: each pair of columns is one bank of eight, top to bottom.
    for (int g = 0; g < 4; ++g) {
        const int left = 2 * g + 1;
        k[static_cast<std::size_t>(8 * g)] = bit(r, left, 2);
        k[static_cast<std::size_t>(8 * g + 1)] = bit(r, left, 3);
        for (int row = 0; row < 3; ++row) {
            k[static_cast<std::size_t>(8 * g + 2 + 2 * row)] = bit(r, left, 4 + row);
            k[static_cast<std::size_t>(8 * g + 3 + 2 * row)] = bit(r, left + 1, 4 + row);
        }
    }
}

template <std::size_t N>
void compare(Block block, const std::array<bool, N>& before, const std::array<bool, N>& now,
             int first, std::vector<KeyEvent>& out) {
    for (std::size_t i = 0; i < N; ++i) {
        if (before[i] != now[i])
            out.push_back({block, static_cast<int>(i) + first, now[i]});
    }
}

} // namespace

Decoded decodeReport(const Model& model, Layout layout, const KeyState& previous,
                     std::span<const std::uint8_t> report) {
    Decoded d;
    d.state = previous;
    if (static_cast<int>(report.size()) < model.reportBytes) {
        d.check = ReportCheck::Short;
        return d;
    }
    KeyState& s = d.state;
    auto at = [](auto& array, int index) -> bool& {
        return array[static_cast<std::size_t>(index)];
    };
    auto channel = [&](int key, bool down) {
        at(s.channel, key) = down;
    };
    auto function = [&](int key, bool down) {
        at(s.function, key - 1) = down;
    };
    Block second = Block::Function;
    switch (model.family) {
    case Family::K128:
    case Family::K84:
        if (report[3] != 0x7A) {
            d.check = ReportCheck::NotKeys;
            return d;
        }
        if (model.family == Family::K128) {
            grid(report, {4, 6, 8, 10}, 8, 0, channel);
            grid(report, {12, 13, 14, 15, 16, 17, 18, 19}, 8, 1, function);
        } else {
            grid(report, {4, 5, 6, 7}, 7, 0, channel);
            grid(report, {8, 9, 10, 11, 12, 13, 14, 15}, 7, 1, function);
        }
        break;
    case Family::Xk24:
        grid(report, {3, 4, 5, 6}, 5, 0, channel);
        at(s.channel, 20) = bit(report, 3, 5);
        at(s.channel, 21) = bit(report, 4, 5);
        s.special[0] = bit(report, 5, 5);
        s.special[1] = bit(report, 6, 5);
        second = Block::Special;
        break;
    case Family::Professional:
        professionalChannels(report, layout, s.channel);
        for (int byte = 1; byte <= 9; ++byte) {
            at(s.control, byte - 1) = bit(report, byte, 0);
            at(s.control, byte + 8) = bit(report, byte, 1);
        }
        second = Block::Control;
        break;
    case Family::Stick:
        grid(report, {1, 2, 3, 4}, 4, 0, channel);
        break;
    }
    compare(Block::Channel, previous.channel, s.channel, 0, d.events);
    switch (second) {
    case Block::Function:
        compare(Block::Function, previous.function, s.function, 1, d.events);
        break;
    case Block::Control:
        compare(Block::Control, previous.control, s.control, 1, d.events);
        break;
    case Block::Special:
        compare(Block::Special, previous.special, s.special, 1, d.events);
        break;
    case Block::Channel:
        break;
    }
    return d;
}

} // namespace kalvor::xkeys
