#include "toolkit/asset_locator.h"

#include <algorithm>
#include <system_error>

#include "toolkit/data_dir.h"

namespace quela::toolkit {

std::vector<std::filesystem::path> DefaultAssetRoots() {
  std::vector<std::filesystem::path> roots{"."};
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) roots.push_back(exe.parent_path());
  roots.emplace_back(QUELA_DATA_DIR);
  return roots;
}

std::filesystem::path FindAsset(const std::string& relative, const std::vector<std::filesystem::path>& roots) {
  std::string portable = relative;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  for (const auto& root : roots) {
    std::error_code error;
    const auto candidate = root / portable;
    if (std::filesystem::is_regular_file(candidate, error)) return root == "." ? std::filesystem::path(portable) : candidate;
  }
  return portable;
}

}  // namespace quela::toolkit
