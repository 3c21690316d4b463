// The arguments of a message as liblo decoded them, copied into our own form. Pure; any
// thread (the receiving thread calls it; the fuzzer feeds it liblo's decoding of raw
// packets).
#pragma once

#include "control/osc/OscCommand.h"

#include <vector>

namespace kalvor::osc {

// `types` holds one type tag per argument; `argv` liblo's argument pointers.
std::vector<Arg> copyArgs(const char* types, void* const* argv, int argc);

} // namespace kalvor::osc
