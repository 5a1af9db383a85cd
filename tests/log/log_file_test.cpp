#include <gtest/gtest.h>

#include <filesystem>
#include <cctype>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/log/g2log.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using quela::test::ReadFile;
using quela::test::TempDir;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Every run of digits becomes one '#', so texts with times and line numbers compare exactly.
std::string maskDigits(const std::string& text) {
  std::string masked;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i]));
    if (!digit || i == 0 || !std::isdigit(static_cast<unsigned char>(text[i - 1]))) masked += digit ? '#' : text[i];
  }
  return masked;
}

// "Quela.g2log.YYYYMMDD-hhmmss.log"
bool isLogFileName(const std::string& name) {
  return maskDigits(name) == "Quela.g#log.#-#.log" && name.size() == 31 && name[20] == '-';
}

// Runs in a temporary working directory, as the program does in its own.
class LogFile : public testing::Test {
 protected:
  void SetUp() override {
    m_previous = fs::current_path();
    fs::current_path(m_dir.path());
  }
  void TearDown() override { fs::current_path(m_previous); }

  TempDir m_dir;
  fs::path m_previous;
};

TEST_F(LogFile, WrittenInsideAnExistingLogDirectory) {
  fs::create_directory("QuelaDEBUG.log");
  CaptureStderr();
  auto worker = g2::LogWorker::createWithDefaultLogger("Quela", "QuelaDEBUG.log");
  EXPECT_EQ(GetCapturedStderr(), "");
  const fs::path path = worker->logFilePath();
  EXPECT_EQ(path.parent_path(), "QuelaDEBUG.log");
  EXPECT_TRUE(isLogFileName(path.filename().string())) << path;

  g2::initializeLogging(worker.get());
  LOG(INFO) << "first";
  LOGF(WARNING, "second %d", 2);
  worker->flush();
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind("\t\tg2log created log at: ", 0), 0u);
  const std::string header = "\t\tLOG format: [YYYY/MM/DD hh:mm:ss.uuu* LEVEL FILE:LINE] message\n\n";
  const auto recordsAt = text.find(header);
  ASSERT_NE(recordsAt, std::string::npos) << text;
  EXPECT_EQ(maskDigits(text.substr(recordsAt + header.size())),
            "\n#/#/# #:#:#.#\tINFO [log_file_test.cpp L: #]\t\"first\""
            "\n#/#/# #:#:#.#\tWARNING [log_file_test.cpp L: #]\t\"second #\"");

  g2::detachLogging();
  LOG(INFO) << "after detachment";
  worker->flush();
  EXPECT_EQ(ReadFile(path).find("after detachment"), std::string::npos);

  worker.reset();
  EXPECT_NE(ReadFile(path).find("\ng2log g2FileSink shutdown at: "), std::string::npos);
  EXPECT_NE(ReadFile(path).find("\nLog file at: [" + path.string() + "]\n"), std::string::npos);
}

TEST_F(LogFile, FallsBackToTheCurrentDirectory) {
  CaptureStderr();
  auto worker = g2::LogWorker::createWithDefaultLogger("Quela", "QuelaDEBUG.log");
  const std::string err = GetCapturedStderr();
  const std::string path = worker->logFilePath();
  EXPECT_EQ(path.rfind("./", 0), 0u) << path;
  EXPECT_TRUE(isLogFileName(path.substr(2))) << path;
  EXPECT_TRUE(fs::exists(path));
  EXPECT_NE(err.find("FILE ERROR:  could not open log file:[QuelaDEBUG.log/Quela.g2log."), std::string::npos) << err;
  EXPECT_NE(err.find("\n\t\t std::ios_base state = "), std::string::npos) << err;
  EXPECT_NE(err.find("Cannot write log file to location, attempting current directory"), std::string::npos) << err;
}

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
  EXPECT_NE(GetCapturedStderr().find("could not open log file:[./Quela.g2log."), std::string::npos);
}

// Every line whole and present, and each thread's lines in the order it logged them.
TEST_F(LogFile, ManyThreadsAtOnce) {
  constexpr int kThreads = 6;
  constexpr int kLines = 5000;
  auto worker = g2::LogWorker::createWithDefaultLogger("Quela", ".");
  g2::initializeLogging(worker.get());
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) LOG(INFO) << "thread " << t << " line " << i << " " << std::string(i % 97, '=');
    });
  }
  for (auto& thread : threads) thread.join();
  g2::detachLogging();
  worker->flush();

  const std::string text = ReadFile(worker->logFilePath());
  std::vector<int> next(kThreads, 0);
  std::size_t start = text.find("\n\n") + 2;
  int total = 0;
  while (start < text.size()) {
    ASSERT_EQ(text[start], '\n');
    std::size_t end = text.find('\n', start + 1);
    if (end == std::string::npos) end = text.size();
    const std::string record = text.substr(start + 1, end - start - 1);
    int t = -1, i = -1, used = 0;
    std::sscanf(record.c_str(), "%*d/%*d/%*d %*d:%*d:%*d.%*d\tINFO [log_file_test.cpp L: %*d]\t\"thread %d line %d %n", &t,
                &i, &used);
    ASSERT_TRUE(used > 0 && t >= 0 && t < kThreads) << record;
    ASSERT_EQ(i, next[t]) << "thread " << t;
    ASSERT_EQ(record.substr(used), std::string(i % 97, '=') + '"');
    ++next[t];
    ++total;
    start = end;
  }
  EXPECT_EQ(total, kThreads * kLines);
}

}  // namespace
