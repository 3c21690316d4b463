#include "control/osc/OscWire.h"

#include <lo/lo.h>

#include <cstdint>
#include <cstring>

namespace kalvor::osc {

namespace {

// liblo hands out pointers into the packet, where a 64-bit value follows a 32-bit one at
// any multiple of four: every value is copied out byte-wise, never read through the union.
template <typename T> T load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

std::vector<Arg> copyArgs(const char* types, void* const* argv, int argc) {
    std::vector<Arg> args;
    args.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        Arg a;
        a.type = types[i];
        const void* v = argv[i];
        switch (a.type) {
        case LO_INT32:
            a.number = load<std::int32_t>(v);
            break;
        case LO_INT64:
            a.number = static_cast<double>(load<std::int64_t>(v));
            break;
        case LO_FLOAT:
            a.number = load<float>(v);
            break;
        case LO_DOUBLE:
            a.number = load<double>(v);
            break;
        case LO_STRING:
        case LO_SYMBOL:
            a.text = static_cast<const char*>(v);
            break;
        case LO_TRUE:
            a.number = 1;
            break;
        default:
            break; // F, N, I, blobs and the rest: their type says enough
        }
        args.push_back(std::move(a));
    }
    return args;
}

} // namespace kalvor::osc
