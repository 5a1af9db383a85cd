// libFuzzer target for ReadCmo: any input either parses or raises FormatError.
// A parsed model must survive the writer and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "toolkit/formats/cmo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quela::toolkit;
  std::vector<CmoMesh> meshes;
  try {
    meshes = ReadCmo(std::span<const std::uint8_t>(data, size), "fuzz");
  } catch (const FormatError&) {
    return 0;
  }
  std::vector<std::uint8_t> written;
  try {
    written = WriteCmo(meshes);
  } catch (const std::invalid_argument&) {
    return 0;  // e.g. names that were unpaired surrogates are valid to read, and written as U+FFFD
  }
  // NaN payloads compare unequal, so compare bytes of a second write.
  if (WriteCmo(ReadCmo(written, "fuzz rewrite")) != written) std::abort();
  return 0;
}
