// Feeds arbitrary bytes to the serial "User" decoder, split into receive events at the
// zero bytes so the preset number buffer is carried across reads.
#include "control/serial/ComUser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArray buffer;
    for (const auto& text : all.split('\0')) {
        const auto r = kalvor::comUser(text, buffer, {true, true, 15});
        if (r.buffer.size() > kalvor::kComUserBufferLimit)
            __builtin_trap();
        buffer = r.buffer;
    }
    return 0;
}
