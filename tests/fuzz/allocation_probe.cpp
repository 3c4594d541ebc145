#include "tests/fuzz/allocation_probe.h"

#include <cstdlib>
#include <new>

namespace {

// Plain globals: the tests run on one thread, and these must be usable before any
// constructor runs.
bool probing = false;
std::size_t largestRequest = 0;
std::size_t totalRequested = 0;

}  // namespace

void* operator new(std::size_t size) {
    if (probing) {
        if (size > largestRequest) largestRequest = size;
        totalRequested += size;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace prismcrate::testing {

AllocationProbe::AllocationProbe() {
    largestRequest = 0;
    totalRequested = 0;
    probing = true;
}
AllocationProbe::~AllocationProbe() {
    probing = false;
}
std::size_t AllocationProbe::largest() const {
    return largestRequest;
}
std::size_t AllocationProbe::total() const {
    return totalRequested;
}

}  // namespace prismcrate::testing
