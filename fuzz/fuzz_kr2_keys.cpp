// Feeds arbitrary bytes from a KR-2 to its key decoder, split into receive events at the
// zero bytes so an F0 message can run across reads; and the same bytes to the peers'
// screen decoders of the KR-2 and KD-1, which read what the program sends.
#include "control/units/UnitScreen.h"
#include "control/units/kd1/Kd1Decoder.h"
#include "control/units/kr2/Kr2Decoder.h"
#include "control/units/kr2/Kr2Keys.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    kalvor::units::Kr2KeyDecoder keys;
    for (const QByteArray& part : all.split('\0')) {
        for (const auto& e : keys.feed(part)) {
            // A message body is never kept past its limit.
            if (e.text.size() > kalvor::units::kKr2MessageLimit)
                __builtin_trap();
        }
    }
    kalvor::Kr2Decoder kr2;
    kalvor::UnitScreen kr2Screen(kr2.surface());
    kr2.feed(all, kr2Screen);
    kalvor::Kd1Decoder kd1;
    kalvor::UnitScreen kd1Screen(kd1.surface());
    kd1.feed(all, kd1Screen);
    return 0;
}
