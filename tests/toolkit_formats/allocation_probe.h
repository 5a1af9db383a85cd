#pragma once
// Records the largest single heap allocation made while a probe is alive, so
// tests can check that hostile counts never turn into huge allocations.
#include <cstddef>

namespace quela::test {

class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;
  std::size_t largest() const;
};

}  // namespace quela::test
