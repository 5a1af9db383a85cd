#pragma once
// Runs the real quela binary in a directory of its own and collects what it left behind.
#include <filesystem>
#include <string>
#include <vector>

namespace quela::test {

struct ProgramRun {
  int exitStatus = -1;  // exit status, or 128 + signal
  std::string out;      // standard output
  std::string err;      // standard error
};

// Runs the program with args in dir (headless: no DISPLAY), waiting at most timeoutSeconds.
ProgramRun RunQuela(const std::filesystem::path& dir, const std::vector<std::string>& args, int timeoutSeconds = 60);
// The text of the one log file the program wrote in dir (or dir/QuelaDEBUG.log); empty when there is none.
std::string ReadLogFile(const std::filesystem::path& dir);

}  // namespace quela::test
