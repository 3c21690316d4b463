// Feeds arbitrary messages to the OSC address parser: the address runs to the first zero
// byte, then each argument is a type byte followed by eight bytes of number or by text up
// to the next zero byte.
#include "control/osc/OscCommand.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    const char* zero = static_cast<const char*>(std::memchr(p, 0, size));
    const std::string_view address(p, zero ? static_cast<std::size_t>(zero - p) : size);
    std::vector<kalvor::osc::Arg> args;
    for (const char* q = zero ? zero + 1 : end; q < end && args.size() < 16;) {
        kalvor::osc::Arg a;
        a.type = *q++;
        if (a.type == 's' || a.type == 'S') {
            const char* z = static_cast<const char*>(std::memchr(q, 0, std::size_t(end - q)));
            const char* stop = z ? z : end;
            a.text.assign(q, stop);
            q = z ? z + 1 : end;
        } else if (end - q >= 8) {
            std::memcpy(&a.number, q, 8);
            q += 8;
        }
        args.push_back(std::move(a));
    }
    const auto r = kalvor::osc::parseMessage(address, args);
    if (r.command && r.command->verb <= kalvor::osc::Verb::Pan &&
        (r.command->channel < 0 || r.command->channel >= 32))
        __builtin_trap();
    if (r.command && r.command->verb == kalvor::osc::Verb::Volume &&
        (r.command->value < 0 || r.command->value > 100))
        __builtin_trap();
    if (r.command && r.command->verb == kalvor::osc::Verb::Pan &&
        (r.command->value < -100 || r.command->value > 100))
        __builtin_trap();
    if (r.command && r.command->verb == kalvor::osc::Verb::RecallPreset && r.command->value < 1)
        __builtin_trap();
    return 0;
}
