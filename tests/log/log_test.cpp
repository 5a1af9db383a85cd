// The log: record format, the front end (LOG, LOGF, attaching and detaching a worker), the log file,
// and the fatal path in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/log/file_sink.h"
#include "app/log/g2log.h"
#include "app/log/log_format.h"
#include "tests/support/temp_dir.h"

namespace logtest {
struct cProbe {
  int Log() {
    LOG(INFO) << "value " << 42;
    return __LINE__ - 1;
  }
};
}  // namespace logtest

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using g2::LogMessage;
using quela::test::ReadFile;
using quela::test::TempDir;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
constexpr auto npos = std::string::npos;

// Local time is part of every line: pin it so the expected texts hold anywhere.
const bool kUtc = (setenv("TZ", "UTC", 1), tzset(), true);

// 2014-10-31 20:30:15 UTC
constexpr std::time_t kSecond = 1414787415;

std::string signalRecord(const std::string& name, int signal) {
  return "\n\n***** FATAL SIGNAL RECEIVED ******* \n\"\n\n***** FATAL TRIGGER RECEIVED ******* \n\n***** RETHROWING SIGNAL " +
         name + "\n\"\nExiting after fatal event  (FATAL_SIGNAL). Exiting with signal: " + std::to_string(signal) +
         "\nLog content flushed flushed sucessfully to sink\n\n";
}

LogMessage::Clock::time_point at(std::int64_t micros) {
  return LogMessage::Clock::time_point(duration_cast<LogMessage::Clock::duration>(seconds(kSecond) + microseconds(micros)));
}

TEST(LogFormat, RecordLinesContractRecordAndUnknownSignal) {
  const struct {
    const char* name;
    g2::Level level;
    std::int64_t micros;
    const char* file;
    int line;
    const char *message, *expected;
  } cases[] = {
      {"info", g2::INFO, 123456, "cQuela.cpp", 42, "Hello", "\n2014/10/31 20:30:15.123456\tINFO [cQuela.cpp L: 42]\t\"Hello\""},
      {"no leading zeros", g2::DEBUG, 5000, "a.cpp", 1, "x", "\n2014/10/31 20:30:15.5000\tDEBUG [a.cpp L: 1]\t\"x\""},
      {"full second", g2::WARNING, 0, "b.cpp", 7, "", "\n2014/10/31 20:30:15.0\tWARNING [b.cpp L: 7]\t\"\""},
      // The formatter caches the current second's text: it must follow the clock.
      {"an hour later", g2::INFO, 3'600'000'010LL, "a.cpp", 1, "f", "\n2014/10/31 21:30:15.10\tINFO [a.cpp L: 1]\t\"f\""},
  };
  g2::internal::RecordFormatter formatter;
  for (const auto& c : cases) {
    LogMessage record(c.file, c.line, "void f()", c.level, at(c.micros));
    record.setMessage(c.message);
    EXPECT_EQ(formatter.record(record), c.expected) << c.name;
  }
  // Signals and LOG(FATAL) are checked through a real child process (LogFatal below).
  LogMessage broken("m.cpp", 9, "f", g2::CONTRACT, at(8));
  broken.setExpression("a < b");
  EXPECT_NE(g2::internal::RecordFormatter().fatal(broken).find(
                "\tCONTRACT [m.cpp L: 9]\t\n\t*******\t EXIT trigger caused by broken Contract: CHECK(a < b)\n\t\"\""),
            npos);
  EXPECT_EQ(g2::internal::signalName(SIGUSR1), "UNKNOWN SIGNAL(10)");
}

TEST(LogFormat, QualifiedFunctionNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"std::map<int, int> ns::c::get(const std::pair<int, int>&) const", "ns::c::get"},
      {"void cA<T>::run(T) [with T = int]", "cA<T>::run"},
      {"bool cA::operator()(int) const", "cA::operator()"},
      {"main()::<lambda()>", "main()::<lambda()>"},
  };
  for (const auto& [pretty, expected] : cases) EXPECT_EQ(g2::qualifiedFunctionName(pretty), expected) << pretty;
}

TEST(LogFileName, PrefixNamePathAndHeader) {
  EXPECT_EQ(g2::internal::fileHeader(kSecond),
            "\t\tg2log created log at: Fri Oct 31 20:30:15 2014\n"
            "\t\tLOG format: [YYYY/MM/DD hh:mm:ss.uuu* LEVEL FILE:LINE] message\n\n");
  EXPECT_EQ(g2::internal::cleanLogPrefix(" Qu/ela. "), "Quela");
  EXPECT_EQ(g2::internal::logFileName("Quela", kSecond), "Quela.g2log.20141031-203015.log");
  EXPECT_EQ(g2::internal::logFilePathIn("a\\b\\", "f.log"), "a/b/f.log");
  EXPECT_EQ(g2::internal::logFilePathIn("", "f.log"), "f.log");
}

TEST(LogFileNameDeathTest, IllegalPrefixAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(g2::internal::FileSink("<>", "."), "g2log: forced abort due to illegal log prefix \\[<>\\]");
}

// A worker whose records land in a vector (filled on the worker thread, read after flush()).
class LogFrontEnd : public testing::Test {
 protected:
  std::vector<std::string> messages() {
    m_worker->flush();
    std::vector<std::string> texts;
    for (const auto& record : m_records) texts.push_back(record.message());
    return texts;
  }

  std::vector<g2::LogMessage> m_records;
  std::unique_ptr<g2::LogWorker> m_worker =
      g2::LogWorker::createWithCallbackSink([this](const g2::LogMessage& m) { m_records.push_back(m); });
};

TEST_F(LogFrontEnd, RecordsCarryTheCallSite) {
  g2::initializeLogging(m_worker.get());
  const int line = logtest::cProbe().Log();
  g2::detachLogging();
  m_worker->flush();
  ASSERT_EQ(m_records.size(), 1u);
  // Level, file and streamed text: LogFile.ManyThreadsAtOnce reads them back from the file.
  EXPECT_EQ(m_records[0].line(), line);
  EXPECT_EQ(m_records[0].function(), "logtest::cProbe::Log");
}

TEST_F(LogFrontEnd, PrintfMessages) {
  const std::string exact(2048, 'x');
  const std::string longer(3000, 'y');
  const std::string parseFailure = "\n\tERROR LOG MSG NOTIFICATION: Failure to parse successfully the message";
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { LOGF(INFO, "%s", exact.c_str()); }, exact},
      {[&] { LOGF(INFO, "%s", longer.c_str()); }, std::string(2048, 'y') + "[...truncated...]"},
      {[] { LOGF(INFO, "%s", ""); }, parseFailure + "\"%s\"\n"},
      // A wide character the "C" locale cannot convert makes the formatting itself fail.
      {[] { LOGF(INFO, "%ls", L"\u00e9"); }, parseFailure + "\"%ls\"\n"},
  };
  g2::initializeLogging(m_worker.get());
  for (const auto& c : cases) c.first();
  g2::detachLogging();
  const auto texts = messages();
  ASSERT_EQ(texts.size(), std::size(cases));
  for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i], cases[i].second) << "case " << i;
}

// Without a worker only the first line of a run of dropped lines is reported. Destroying the active
// worker writes what was queued and detaches it.
TEST_F(LogFrontEnd, LinesWithoutAWorkerAreDropped) {
  g2::detachLogging();
  CaptureStderr();
  LOG(INFO) << "before one";
  LOG(INFO) << "before two";
  g2::initializeLogging(m_worker.get());
  LOG(WARNING) << "attached";
  m_worker.reset();
  ASSERT_EQ(m_records.size(), 1u);
  EXPECT_EQ(m_records[0].message(), "attached");
  LOG(INFO) << "after one";
  LOG(INFO) << "after two";
  const std::string err = GetCapturedStderr();
  EXPECT_NE(err.find("LOGGER NOT INITIALIZED:\n\t\tbefore one"), npos) << err;
  EXPECT_NE(err.find("LOGGER NOT INITIALIZED:\n\t\tafter one"), npos) << err;
  EXPECT_EQ(err.find("two"), npos) << err;
  g2::detachLogging();
}

TEST_F(LogFrontEnd, SecondAttachIsRefused) {
  auto other = g2::LogWorker::createWithCallbackSink([](const g2::LogMessage&) { ADD_FAILURE(); });
  g2::initializeLogging(m_worker.get());
  CaptureStderr();
  g2::initializeLogging(other.get());
  EXPECT_NE(GetCapturedStderr().find("Having multiple instances of the g2::LogWorker is likely a BUG"), npos);
  LOG(INFO) << "to the first";
  g2::detachLogging();
  EXPECT_EQ(messages(), std::vector<std::string>{"to the first"});
}

// Runs in a temporary working directory, as the program does in its own.
class LogFile : public testing::Test {
 protected:
  void SetUp() override { fs::current_path(m_dir.path()); }
  void TearDown() override { fs::current_path(m_previous); }

  fs::path m_previous = fs::current_path();
  TempDir m_dir;
};

TEST_F(LogFile, NowhereToWriteStillRuns) {
  // A working directory that no longer exists refuses every file, even to root.
  fs::create_directory("gone");
  fs::current_path("gone");
  fs::remove(m_dir.path() / "gone");
  CaptureStderr();
  auto worker = g2::LogWorker::createWithDefaultLogger("Quela", "QuelaDEBUG.log");
  g2::initializeLogging(worker.get());
  LOG(INFO) << "lost";
  worker->flush();
  g2::detachLogging();
  EXPECT_NE(GetCapturedStderr().find("could not open log file:[./Quela.g2log."), npos);
}

// Every line whole and present, and each thread's lines in the order it logged them.
TEST_F(LogFile, ManyThreadsAtOnce) {
  constexpr int kThreads = 6, kLines = 5000;
  auto worker = g2::LogWorker::createWithDefaultLogger("Quela", ".");
  g2::initializeLogging(worker.get());
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) LOG(INFO) << "thread " << t << " line " << i << " " << std::string(i % 97, '=');
    });
  for (auto& thread : threads) thread.join();
  g2::detachLogging();
  worker->flush();

  const std::string text = ReadFile(worker->logFilePath());
  std::vector<int> next(kThreads, 0);
  int total = 0;
  for (std::size_t start = text.find("\n\n") + 2; start < text.size(); ++total) {
    ASSERT_EQ(text[start], '\n');
    std::size_t end = text.find('\n', start + 1);
    if (end == npos) end = text.size();
    const std::string record = text.substr(start + 1, end - start - 1);
    int t = -1, i = -1, used = 0;
    std::sscanf(record.c_str(), "%*d/%*d/%*d %*d:%*d:%*d.%*d\tINFO [log_test.cpp L: %*d]\t\"thread %d line %d %n", &t,
                &i, &used);
    ASSERT_TRUE(used > 0 && t >= 0 && t < kThreads) << record;
    ASSERT_EQ(i, next[t]) << "thread " << t;
    ASSERT_EQ(record.substr(used), std::string(i % 97, '=') + '"');
    ++next[t];
    start = end;
  }
  EXPECT_EQ(total, kThreads * kLines);
}

// The helper child dies the way `mode` says; it must end with that signal, quickly (by the writer, not by
// a parked thread's timeout), with the pre-fatal hook before the fatal record on standard error and, where
// a worker can write, the record after the earlier lines and before the sink's closing line in the file.
TEST(LogFatal, FatalEventsWriteTheirRecordAndEndWithTheirSignal) {
  const std::string logFatal = "\n\t*******\t EXIT trigger caused by LOG(FATAL) entry: \n\t\"giving up\""
                               "\nExiting after fatal event  (FATAL). Exiting with signal: 6";
  const struct {
    const char* mode;
    int signal;
    std::string errRecord;
    bool writesFile;  // the faulting worker, or no worker at all: standard error only
  } cases[] = {{"segv", SIGSEGV, signalRecord("SIGSEGV(11)", 11), true},
               {"abort", SIGABRT, signalRecord("SIGABRT(6)", 6), true},
               {"fpe", SIGFPE, signalRecord("SIGFPE(8)", 8), true},
               {"ill", SIGILL, signalRecord("SIGILL(4)", 4), true},
               {"term", SIGTERM, signalRecord("SIGTERM(15)", 15), true},
               {"worker", SIGSEGV, signalRecord("SIGSEGV(11)", 11), false},
               {"log-fatal", SIGABRT, logFatal, true},
               {"detached", SIGSEGV, "FATAL CALL but logger is NOT initialized\nSIGNAL: 11\n", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TempDir dir;
    const fs::path errPath = dir.path() / "stderr.txt";
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      const rlimit noCore{0, 0};
      setrlimit(RLIMIT_CORE, &noCore);
      dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      execl(LOG_FATAL_HELPER, LOG_FATAL_HELPER, dir.path().c_str(), c.mode, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    const std::string err = ReadFile(errPath);
    std::string log;
    for (const auto& entry : fs::directory_iterator(dir.path()))
      if (entry.path().extension() == ".log") log = ReadFile(entry.path());

    ASSERT_TRUE(WIFSIGNALED(status)) << status << err;
    EXPECT_EQ(WTERMSIG(status), c.signal);
    const auto hookAt = err.find("pre-fatal hook\n"), recordAt = err.find(c.errRecord);
    EXPECT_TRUE(hookAt != npos && recordAt != npos && hookAt < recordAt) << err;
    if (c.writesFile) {
      const auto before = log.find("\"before the fault\""), fatalAt = log.find(c.errRecord);
      EXPECT_TRUE(before != npos && fatalAt != npos && before < fatalAt) << log;
      EXPECT_TRUE(fatalAt != npos && log.find("\ng2log g2FileSink shutdown at: ", fatalAt) != npos) << log;
    } else {
      EXPECT_EQ(log.find("FATAL"), npos) << log;
    }
  }
}

}  // namespace
