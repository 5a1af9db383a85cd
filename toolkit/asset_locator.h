#pragma once
// Where the program's asset files ("Models/…", "italic.spritefont",
// "lambert.dgsl.cso") are found: the working directory first, then beside the
// executable, then the installed data folder.
#include <filesystem>
#include <string>
#include <vector>

namespace quela::toolkit {

// The three folders searched, in order; filled from the running process.
std::vector<std::filesystem::path> DefaultAssetRoots();
// The first root holding relative (either separator accepted); relative itself when none does,
// so the loader's own error names the file the user expects.
std::filesystem::path FindAsset(const std::string& relative, const std::vector<std::filesystem::path>& roots);

}  // namespace quela::toolkit
