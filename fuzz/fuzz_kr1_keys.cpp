// Feeds arbitrary bytes to the KR-1's key decoder in both modes, checking that every
// byte gives one key and that each key's value stays in its range; the same bytes then
// go through the software peer's command decoder, which reads a serial line too.
#include "control/units/UnitScreen.h"
#include "control/units/kr1/Kr1Decoder.h"
#include "control/units/kr1/Kr1Keys.h"

#include <cstddef>
#include <cstdint>

using kalvor::kr1::KeyAction;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool hotkeys : {false, true}) {
        const auto keys = kalvor::kr1::decodeKeys(bytes, hotkeys);
        if (keys.size() != static_cast<std::size_t>(bytes.size()))
            __builtin_trap();
        for (const auto& k : keys) {
            const bool channelKey =
                k.action == KeyAction::ChannelPress || k.action == KeyAction::ChannelRelease;
            if (channelKey && (k.value < 0 || k.value > 7))
                __builtin_trap();
            if (k.action == KeyAction::ChannelTap && (k.value < 0 || k.value > 31))
                __builtin_trap();
        }
    }
    kalvor::Kr1Decoder decoder;
    kalvor::UnitScreen screen(decoder.surface());
    decoder.feed(bytes, screen);
    return 0;
}
