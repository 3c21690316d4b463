// Feeds arbitrary bytes to the keypad report decoders: the first byte picks the model and
// layout, the rest is cut into reports at each 0xFF 0xFF pair, decoded one after another
// with the key state carried over as the reader carries it. Every event must be a real
// change of a key that exists on that model.
#include "control/xkeys/XkeysDecoder.h"

#include <cstddef>
#include <cstdint>

using namespace kalvor::xkeys;

namespace {

constexpr std::uint16_t kProducts[] = {0x0306, 0x0309, 0x0403, 0x0291, 0x02A7, 0x0271, 0x02B5};

bool& key(KeyState& s, Block b, int k) {
    switch (b) {
    case Block::Channel:
        return s.channel.at(static_cast<std::size_t>(k));
    case Block::Function:
        return s.function.at(static_cast<std::size_t>(k - 1));
    case Block::Control:
        return s.control.at(static_cast<std::size_t>(k - 1));
    case Block::Special:
        break;
    }
    return s.special.at(static_cast<std::size_t>(k - 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Model model = *findModel(kProducts[data[0] % std::size(kProducts)]);
    const Layout layout = (data[0] & 0x80) ? Layout::VerticalGroups : Layout::Standard;
    KeyState state;
    std::size_t start = 1;
    for (std::size_t i = 1; i <= size; ++i) {
        const bool cut = i == size || (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFF);
        if (!cut)
            continue;
        const Decoded d = decodeReport(model, layout, state, {data + start, i - start});
        KeyState replay = state;
        for (const KeyEvent& e : d.events) {
            bool& k = key(replay, e.block, e.key);
            if (k == e.pressed)
                __builtin_trap(); // an event that changes nothing
            k = e.pressed;
        }
        if (!(replay == d.state) || (d.check != ReportCheck::Keys && !d.events.empty()))
            __builtin_trap();
        const int channelKeys = model.family == Family::Stick ? 16 : model.channelKeys;
        for (const KeyEvent& e : d.events) {
            if (e.block == Block::Channel && e.key >= channelKeys)
                __builtin_trap(); // a key the model does not have
            if (e.block == Block::Function && model.family == Family::K84 && e.key > 56)
                __builtin_trap();
        }
        state = d.state;
        start = i + 2;
        ++i;
    }
    return 0;
}
