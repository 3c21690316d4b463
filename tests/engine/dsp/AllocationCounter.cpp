// Global operator new/delete replaced for the allocation count; see AllocationCounter.h.
// They forward to malloc/free, so every new/delete pair stays matched (the sanitiser
// build checks that).
#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local std::size_t allocations = 0;

void* allocate(std::size_t size) {
    if (counting)
        ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting)
        ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (counting)
        ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace kalvor::engine::dsp::test {

CountAllocations::CountAllocations() {
    allocations = 0;
    counting = true;
}
CountAllocations::~CountAllocations() {
    counting = false;
}
std::size_t CountAllocations::count() const {
    return allocations;
}

} // namespace kalvor::engine::dsp::test
