#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using quela::test::ReadFile;
using quela::test::TempDir;

struct Outcome {
  int status = 0;
  std::string err;
  std::string log;  // empty when no log file was written
  std::chrono::steady_clock::duration took{};
};

Outcome runHelper(const TempDir& dir, const char* mode) {
  const fs::path errPath = dir.path() / "stderr.txt";
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, STDERR_FILENO);
    execl(LOG_FATAL_HELPER, LOG_FATAL_HELPER, dir.path().c_str(), mode, static_cast<char*>(nullptr));
    _exit(127);
  }
  Outcome outcome;
  waitpid(child, &outcome.status, 0);
  outcome.took = std::chrono::steady_clock::now() - start;
  outcome.err = ReadFile(errPath);
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    if (entry.path().extension() == ".log") outcome.log = ReadFile(entry.path());
  }
  return outcome;
}

TEST(LogFatal, CaughtSignalsEndTheProcessWithThatSignal) {
  const struct {
    const char* mode;
    int signal;
    const char* name;
    bool writesFile;  // the faulting worker cannot write: its record goes to standard error only
  } cases[] = {{"segv", SIGSEGV, "SIGSEGV(11)", true}, {"abort", SIGABRT, "SIGABRT(6)", true},
               {"fpe", SIGFPE, "SIGFPE(8)", true},     {"ill", SIGILL, "SIGILL(4)", true},
               {"term", SIGTERM, "SIGTERM(15)", true}, {"worker", SIGSEGV, "SIGSEGV(11)", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TempDir dir;
    const Outcome outcome = runHelper(dir, c.mode);
    ASSERT_TRUE(WIFSIGNALED(outcome.status)) << outcome.status << outcome.err;
    EXPECT_EQ(WTERMSIG(outcome.status), c.signal);
    EXPECT_LT(outcome.took, std::chrono::seconds(4));  // ended by the writer, not by a parked thread's timeout

    const std::string record = "\n\n***** FATAL SIGNAL RECEIVED ******* \n\"\n\n***** FATAL TRIGGER RECEIVED ******* \n\n"
                               "***** RETHROWING SIGNAL " + std::string(c.name) +
                               "\n\"\nExiting after fatal event  (FATAL_SIGNAL). Exiting with signal: " +
                               std::to_string(c.signal) + "\nLog content flushed flushed sucessfully to sink\n\n";
    const auto hookAt = outcome.err.find("pre-fatal hook\n");
    const auto recordAt = outcome.err.find(record);
    ASSERT_NE(hookAt, std::string::npos) << outcome.err;
    ASSERT_NE(recordAt, std::string::npos) << outcome.err;
    EXPECT_LT(hookAt, recordAt);
    if (c.writesFile) {
      const auto before = outcome.log.find("\"before the fault\"");
      const auto fatalAt = outcome.log.find(record);
      ASSERT_NE(before, std::string::npos) << outcome.log;
      ASSERT_NE(fatalAt, std::string::npos) << outcome.log;
      EXPECT_LT(before, fatalAt);
      EXPECT_NE(outcome.log.find("\ng2log g2FileSink shutdown at: ", fatalAt), std::string::npos) << outcome.log;
    }
  }
}

TEST(LogFatal, LogFatalWritesItsRecordAndAborts) {
  TempDir dir;
  const Outcome outcome = runHelper(dir, "log-fatal");
  ASSERT_TRUE(WIFSIGNALED(outcome.status));
  EXPECT_EQ(WTERMSIG(outcome.status), SIGABRT);
  const std::string record = "\n\t*******\t EXIT trigger caused by LOG(FATAL) entry: \n\t\"giving up\""
                             "\nExiting after fatal event  (FATAL). Exiting with signal: 6";
  EXPECT_NE(outcome.log.find(record), std::string::npos) << outcome.log;
  EXPECT_LT(outcome.err.find("pre-fatal hook"), outcome.err.find(record));
}

TEST(LogFatal, SignalWithoutAttachedWorkerStillEndsTheProcess) {
  TempDir dir;
  const Outcome outcome = runHelper(dir, "detached");
  ASSERT_TRUE(WIFSIGNALED(outcome.status));
  EXPECT_EQ(WTERMSIG(outcome.status), SIGSEGV);
  EXPECT_LT(outcome.took, std::chrono::seconds(4));
  EXPECT_NE(outcome.err.find("FATAL CALL but logger is NOT initialized\nSIGNAL: 11\n"), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.log.find("FATAL SIGNAL RECEIVED"), std::string::npos);
}

}  // namespace
