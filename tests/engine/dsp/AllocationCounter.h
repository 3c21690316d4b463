// Counts heap allocations made by this thread while a counting scope is open. The test
// program replaces the global operator new for this, so anything an effect allocates in
// the audio path, directly or through a container, is seen.
#pragma once

#include <cstddef>

namespace kalvor::engine::dsp::test {

class CountAllocations {
public:
    CountAllocations();
    ~CountAllocations();
    std::size_t count() const;
};

} // namespace kalvor::engine::dsp::test
