#include "allocation_probe.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_probing{false};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t n) {
  if (g_probing.load(std::memory_order_relaxed)) {
    std::size_t seen = g_largest.load(std::memory_order_relaxed);
    while (n > seen && !g_largest.compare_exchange_weak(seen, n)) {
    }
  }
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace quela::test {
AllocationProbe::AllocationProbe() {
  g_largest = 0;
  g_probing = true;
}
AllocationProbe::~AllocationProbe() { g_probing = false; }
std::size_t AllocationProbe::largest() const { return g_largest; }
}  // namespace quela::test
