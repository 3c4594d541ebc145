// Watches the allocations made through operator new while a probe lives, so that a test
// can tell how much a reader asked for before it refused a file. The test binary that
// includes allocation_probe.cpp replaces the global operator new and delete.
#pragma once

#include <cstddef>

namespace prismcrate::testing {

class AllocationProbe {
  public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    // The largest single request and the sum of all requests since the probe started.
    std::size_t largest() const;
    std::size_t total() const;
};

}  // namespace prismcrate::testing
