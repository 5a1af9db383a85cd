#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/log/g2log.h"

namespace logtest {
struct cProbe {
  int Log() {
    LOG(INFO) << "value " << 42;
    return __LINE__ - 1;
  }
};
}  // namespace logtest

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A worker whose records land in a vector (filled on the worker thread, read after flush()).
class LogFrontEnd : public testing::Test {
 protected:
  void SetUp() override {
    m_worker = g2::LogWorker::createWithCallbackSink([this](const g2::LogMessage& m) { m_records.push_back(m); });
  }
  std::vector<std::string> messages() {
    m_worker->flush();
    std::vector<std::string> texts;
    for (const auto& record : m_records) texts.push_back(record.message());
    return texts;
  }

  std::vector<g2::LogMessage> m_records;
  std::unique_ptr<g2::LogWorker> m_worker;
};

TEST_F(LogFrontEnd, RecordsCarryTheCallSite) {
  g2::initializeLogging(m_worker.get());
  const int line = logtest::cProbe().Log();
  g2::detachLogging();
  m_worker->flush();
  ASSERT_EQ(m_records.size(), 1u);
  const g2::LogMessage& record = m_records[0];
  EXPECT_EQ(record.level(), "INFO");
  EXPECT_EQ(record.message(), "value 42");
  EXPECT_EQ(record.file(), "log_front_end_test.cpp");
  EXPECT_EQ(record.line(), line);
  EXPECT_EQ(record.function(), "logtest::cProbe::Log");
}

TEST_F(LogFrontEnd, PrintfMessages) {
  const std::string exact(2048, 'x');
  const std::string longer(3000, 'y');
  const std::string parseFailure = "\n\tERROR LOG MSG NOTIFICATION: Failure to parse successfully the message";
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[] { LOGF(INFO, "ini: MultiSampling ( %s )", "true"); }, "ini: MultiSampling ( true )"},
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
  EXPECT_NE(err.find("LOGGER NOT INITIALIZED:\n\t\tbefore one"), std::string::npos) << err;
  EXPECT_NE(err.find("LOGGER NOT INITIALIZED:\n\t\tafter one"), std::string::npos) << err;
  EXPECT_EQ(err.find("two"), std::string::npos) << err;
  g2::detachLogging();
}

TEST_F(LogFrontEnd, SecondAttachIsRefused) {
  auto other = g2::LogWorker::createWithCallbackSink([](const g2::LogMessage&) { ADD_FAILURE(); });
  g2::initializeLogging(m_worker.get());
  CaptureStderr();
  g2::initializeLogging(other.get());
  EXPECT_NE(GetCapturedStderr().find("Having multiple instances of the g2::LogWorker is likely a BUG"),
            std::string::npos);
  LOG(INFO) << "to the first";
  g2::detachLogging();
  EXPECT_EQ(messages(), std::vector<std::string>{"to the first"});
}

}  // namespace
