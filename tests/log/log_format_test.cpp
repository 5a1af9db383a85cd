#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>

#include "app/log/file_sink.h"
#include "app/log/log_format.h"

namespace {

using namespace std::chrono;
using g2::LogMessage;

// Local time is part of every line: pin it so the expected texts hold anywhere.
const bool kUtc = [] {
  setenv("TZ", "UTC", 1);
  tzset();
  return true;
}();

// 2014-10-31 20:30:15 UTC
constexpr std::time_t kSecond = 1414787415;

LogMessage::Clock::time_point at(std::int64_t micros) {
  return LogMessage::Clock::time_point(duration_cast<LogMessage::Clock::duration>(seconds(kSecond) + microseconds(micros)));
}

struct RecordCase {
  const char* name;
  g2::Level level;
  std::int64_t micros;
  const char* file;
  int line;
  const char* message;
  const char* expected;
};

TEST(LogFormat, RecordLines) {
  const RecordCase cases[] = {
      {"info", g2::INFO, 123456, "cQuela.cpp", 42, "Hello", "\n2014/10/31 20:30:15.123456\tINFO [cQuela.cpp L: 42]\t\"Hello\""},
      {"no leading zeros", g2::DEBUG, 5000, "a.cpp", 1, "x", "\n2014/10/31 20:30:15.5000\tDEBUG [a.cpp L: 1]\t\"x\""},
      {"full second", g2::WARNING, 0, "b.cpp", 7, "", "\n2014/10/31 20:30:15.0\tWARNING [b.cpp L: 7]\t\"\""},
      {"quotes kept as is", g2::INFO, 1, "d.cpp", 3, "say \"hi\"\n", "\n2014/10/31 20:30:15.1\tINFO [d.cpp L: 3]\t\"say \"hi\"\n\""},
  };
  g2::internal::RecordFormatter formatter;
  for (const RecordCase& c : cases) {
    LogMessage record(c.file, c.line, "void f()", c.level, at(c.micros));
    record.setMessage(c.message);
    EXPECT_EQ(formatter.record(record), c.expected) << c.name;
  }
}

TEST(LogFormat, SecondCacheFollowsTime) {
  g2::internal::RecordFormatter formatter;
  LogMessage first("a.cpp", 1, "f", g2::INFO, at(10));
  LogMessage later("a.cpp", 1, "f", g2::INFO, at(3'600'000'000LL + 10));
  EXPECT_NE(formatter.record(first).find("20:30:15.10\t"), std::string::npos);
  EXPECT_NE(formatter.record(later).find("21:30:15.10\t"), std::string::npos);
}

TEST(LogFormat, Header) {
  EXPECT_EQ(g2::internal::fileHeader(kSecond),
            "\t\tg2log created log at: Fri Oct 31 20:30:15 2014\n"
            "\t\tLOG format: [YYYY/MM/DD hh:mm:ss.uuu* LEVEL FILE:LINE] message\n\n");
}

TEST(LogFormat, FatalRecords) {
  g2::internal::RecordFormatter formatter;
  LogMessage caught("g2log.cpp", 5, "f", g2::FATAL_SIGNAL, at(7));
  caught.setMessage(g2::internal::fatalSignalMessage(SIGSEGV));
  caught.setSignal(SIGSEGV);
  EXPECT_EQ(formatter.fatal(caught),
            "\n2014/10/31 20:30:15.7\n\n***** FATAL SIGNAL RECEIVED ******* \n"
            "\"\n\n***** FATAL TRIGGER RECEIVED ******* \n\n***** RETHROWING SIGNAL SIGSEGV(11)\n\""
            "\nExiting after fatal event  (FATAL_SIGNAL). Exiting with signal: 11"
            "\nLog content flushed flushed sucessfully to sink\n\n");

  LogMessage logged("m.cpp", 9, "f", g2::FATAL, at(8));
  logged.setMessage("bye");
  EXPECT_EQ(formatter.fatal(logged),
            "\n2014/10/31 20:30:15.8\tFATAL [m.cpp L: 9]\t\n\t*******\t EXIT trigger caused by LOG(FATAL) entry: \n\t\"bye\""
            "\nExiting after fatal event  (FATAL). Exiting with signal: 6"
            "\nLog content flushed flushed sucessfully to sink\n\n");

  LogMessage broken("m.cpp", 9, "f", g2::CONTRACT, at(8));
  broken.setExpression("a < b");
  EXPECT_NE(formatter.fatal(broken).find("\tCONTRACT [m.cpp L: 9]\t\n\t*******\t EXIT trigger caused by broken Contract: CHECK(a < b)\n\t\"\""),
            std::string::npos);
  EXPECT_EQ(g2::internal::signalName(SIGUSR1), "UNKNOWN SIGNAL(10)");
}

TEST(LogFormat, QualifiedFunctionNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"HRESULT cDirectX::Initialize(HWND)", "cDirectX::Initialize"},
      {"int main(int, char**)", "main"},
      {"std::map<int, int> ns::c::get(const std::pair<int, int>&) const", "ns::c::get"},
      {"void cA<T>::run(T) [with T = int]", "cA<T>::run"},
      {"bool cA::operator()(int) const", "cA::operator()"},
      {"main()::<lambda()>", "main()::<lambda()>"},
  };
  for (const auto& [pretty, expected] : cases) EXPECT_EQ(g2::qualifiedFunctionName(pretty), expected) << pretty;
}

TEST(LogFileName, PrefixCleaning) {
  const std::pair<const char*, const char*> cases[] = {
      {" Qu ela. ", "Quela"}, {"a/b\\c:d", "abcd"}, {" ./ ", ""}, {"bad,name", ""}, {"under_score-ok", "under_score-ok"},
  };
  for (const auto& [prefix, expected] : cases) EXPECT_EQ(g2::internal::cleanLogPrefix(prefix), expected) << prefix;
}

TEST(LogFileName, NameAndPath) {
  EXPECT_EQ(g2::internal::logFileName("Quela", kSecond), "Quela.g2log.20141031-203015.log");
  const std::pair<const char*, const char*> cases[] = {
      {"QuelaDEBUG.log", "QuelaDEBUG.log/f.log"}, {"a\\b\\", "a/b/f.log"}, {"dir/ / ", "dir/f.log"}, {"", "f.log"},
  };
  for (const auto& [dir, expected] : cases) EXPECT_EQ(g2::internal::logFilePathIn(dir, "f.log"), expected) << dir;
}

TEST(LogFileNameDeathTest, IllegalPrefixAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(g2::internal::FileSink("<>", "."), "g2log: forced abort due to illegal log prefix \\[<>\\]");
}

}  // namespace
