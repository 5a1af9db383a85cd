#include "expect_rejected.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "toolkit/formats/cmo.h"

// Every heap allocation of this (single-threaded) test program passes here, so that the largest one made
// while a hostile file is read can be checked.
namespace {
bool g_probing = false;
std::size_t g_largest = 0;
}  // namespace

void* operator new(std::size_t n) {
  if (g_probing && n > g_largest) g_largest = n;
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

std::size_t quela::test::ExpectRejected(const std::function<void()>& read, const std::string& source,
                                        const std::string& fault) {
  g_largest = 0;
  g_probing = true;
  try {
    read();
    ADD_FAILURE() << "accepted";
  } catch (const toolkit::FormatError& e) {
    g_probing = false;
    EXPECT_EQ(e.sourceName(), source);
    EXPECT_EQ(std::string(e.what()).rfind(source + ": ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find(fault), std::string::npos) << e.what() << "\n  expected: " << fault;
  }
  g_probing = false;
  return g_largest;
}
