#pragma once
// The background writer: one thread takes records in arrival order and hands them to its sinks.

#include <functional>
#include <memory>
#include <string>

#include "app/log/log_message.h"

namespace g2 {

namespace internal {
struct WorkerAccess;
}

class LogWorker {
 public:
  using CallbackSink = std::function<void(const LogMessage&)>;

  // One file sink "<prefix>.g2log.<stamp>.log" inside directory, or in "./" when that cannot be opened
  // (two notices on standard error). Aborts on an illegal prefix.
  static std::unique_ptr<LogWorker> createWithDefaultLogger(const std::string& prefix,
                                                            const std::string& directory);
  // Records reach sink on the worker thread, in arrival order.
  static std::unique_ptr<LogWorker> createWithCallbackSink(CallbackSink sink);

  // Detaches itself if active, writes every queued record, closes the sinks (the file sink writes its
  // closing line). Not from the worker thread.
  ~LogWorker();
  LogWorker(const LogWorker&) = delete;
  LogWorker& operator=(const LogWorker&) = delete;

  // Empty without a file sink. Any thread.
  std::string logFilePath() const;
  // Blocks until every record handed over before the call has reached the sinks and the file has been
  // handed to the operating system. Any thread; returns at once on the worker thread.
  void flush();

  class Impl;

 private:
  friend struct internal::WorkerAccess;
  explicit LogWorker(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

}  // namespace g2
