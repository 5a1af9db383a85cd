#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace quela::test {

// Expects `read` to throw FormatError from `source` whose message holds `fault`. Returns the largest
// single heap allocation made meanwhile, so hostile counts can be shown never to size one.
std::size_t ExpectRejected(const std::function<void()>& read, const std::string& source, const std::string& fault);

}  // namespace quela::test
