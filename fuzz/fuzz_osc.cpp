// Feeds arbitrary bytes to the OSC path of the program: as a packet, through liblo's own
// decoding and our copy of its arguments, into the address parser; and, for inputs that
// are no packet, straight to the parser: the address runs to the first zero byte, then
// each argument is a type byte followed by eight bytes of number or by text up to the
// next zero byte.
#include "control/osc/OscCommand.h"
#include "control/osc/OscWire.h"

#include <lo/lo.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using kalvor::osc::Verb;

void check(std::string_view address, const std::vector<kalvor::osc::Arg>& args) {
    const auto r = kalvor::osc::parseMessage(address, args);
    if (!r.command)
        return;
    const auto& c = *r.command;
    if (c.verb <= Verb::Pan && (c.channel < 0 || c.channel >= 32))
        __builtin_trap();
    if (c.verb == Verb::Volume && (c.value < 0 || c.value > 100))
        __builtin_trap();
    if (c.verb == Verb::Pan && (c.value < -100 || c.value > 100))
        __builtin_trap();
    if (c.verb == Verb::RecallPreset && c.value < 1)
        __builtin_trap();
}

std::vector<kalvor::osc::Arg> plainArgs(const char* q, const char* end) {
    std::vector<kalvor::osc::Arg> args;
    while (q < end && args.size() < 16) {
        kalvor::osc::Arg a;
        a.type = *q++;
        if (a.type == 's' || a.type == 'S') {
            const char* z = static_cast<const char*>(std::memchr(q, 0, std::size_t(end - q)));
            a.text.assign(q, z ? z : end);
            q = z ? z + 1 : end;
        } else if (end - q >= 8) {
            std::memcpy(&a.number, q, 8);
            q += 8;
        }
        args.push_back(std::move(a));
    }
    return args;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int result = 0;
    // liblo decodes in place and wants the packet in writable memory of its own.
    std::vector<std::uint8_t> packet(data, data + size);
    if (lo_message m = lo_message_deserialise(packet.data(), size, &result)) {
        const char* path = lo_get_path(packet.data(), ssize_t(size));
        const char* types = lo_message_get_types(m);
        const int argc = lo_message_get_argc(m);
        lo_arg** argv = lo_message_get_argv(m);
        if (path && types && int(std::strlen(types)) == argc)
            check(path, kalvor::osc::copyArgs(types, reinterpret_cast<void* const*>(argv), argc));
        lo_message_free(m);
        return 0;
    }
    const char* p = reinterpret_cast<const char*>(data);
    const char* zero = static_cast<const char*>(std::memchr(p, 0, size));
    const std::string_view address(p, zero ? static_cast<std::size_t>(zero - p) : size);
    check(address, plainArgs(zero ? zero + 1 : p + size, p + size));
    return 0;
}
