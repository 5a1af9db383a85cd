#include "tests/e2e/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace quela::test {

ProgramRun RunQuela(const std::filesystem::path& dir, const std::vector<std::string>& args, int timeoutSeconds) {
  const std::string outFile = std::filesystem::temp_directory_path() / ("quela-out-" + std::to_string(getpid()));
  const std::string errFile = outFile + ".err";
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    if (!freopen(outFile.c_str(), "w", stdout) || !freopen(errFile.c_str(), "w", stderr)) _exit(126);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    alarm(static_cast<unsigned>(timeoutSeconds));  // a hang ends as SIGALRM, not as a stuck test
    std::vector<char*> argv;
    std::string binary = QUELA_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ProgramRun run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFile(outFile);
  run.err = ReadFile(errFile);
  std::filesystem::remove(outFile);
  std::filesystem::remove(errFile);
  return run;
}

std::string ReadLogFile(const std::filesystem::path& dir) {
  for (const auto& place : {dir / "QuelaDEBUG.log", dir}) {
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(place, missing)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("Quela.g2log.", 0) == 0 && entry.path().extension() == ".log") return ReadFile(entry.path());
    }
  }
  return {};
}

}  // namespace quela::test
