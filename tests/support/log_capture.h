#pragma once
// Collects the log's records in memory, as "message" or "LEVEL message". Attached
// on construction and detached on destruction unless told to leave that to the code
// under test (which is then handed worker()).
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/log/g2log.h"

namespace quela::test {

class LogCapture {
 public:
  explicit LogCapture(bool withLevel = false, bool attach = true) : attached_(attach) {
    worker_ = g2::LogWorker::createWithCallbackSink([this, withLevel](const g2::LogMessage& m) {
      const std::lock_guard lock(mutex_);
      lines_.push_back(withLevel ? m.level() + " " + m.message() : m.message());
    });
    if (attach) g2::initializeLogging(worker_.get());
  }
  ~LogCapture() {
    if (attached_) g2::detachLogging();
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  g2::LogWorker* worker() const { return worker_.get(); }
  std::vector<std::string> Lines() {
    worker_->flush();
    const std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    worker_->flush();
    const std::lock_guard lock(mutex_);
    lines_.clear();
  }
  bool Logged(const std::string& line) { return Count(line, true) > 0; }
  // Lines holding part (or equal to it, when whole).
  std::size_t Count(const std::string& part, bool whole = false) {
    std::size_t count = 0;
    for (const std::string& line : Lines()) count += whole ? line == part : line.find(part) != std::string::npos;
    return count;
  }

 private:
  const bool attached_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::unique_ptr<g2::LogWorker> worker_;
};

}  // namespace quela::test
