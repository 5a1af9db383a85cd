#pragma once
// Inside of g2::LogWorker, shared by the front end and the fatal path.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/log/file_sink.h"
#include "app/log/log_format.h"
#include "app/log/log_worker.h"

namespace g2 {

class LogWorker::Impl {
 public:
  Impl(std::unique_ptr<internal::FileSink> file, CallbackSink callback);
  // Writes what is queued, then joins the thread and closes the sinks. Not from the worker thread.
  ~Impl();

  // Any thread; cheap: a push under the queue mutex, a wake-up only when the worker sleeps.
  void save(LogMessage&& record);
  void flush();
  // Writes the queued records, then record to standard error and the sinks, then closes the sinks and
  // stops. Returns false if that did not finish within timeout. Any thread but the worker's.
  bool fatal(LogMessage&& record, std::chrono::milliseconds timeout);
  // Kernel thread id comparison; safe with ids taken in a signal handler.
  bool isWorkerThread(pid_t tid) const { return tid != 0 && tid == m_workerTid.load(); }
  std::string logFilePath() const;

 private:
  void run();
  void deliver(const LogMessage& record);
  void deliverFatal(const LogMessage& record);

  std::unique_ptr<internal::FileSink> m_file;
  CallbackSink m_callback;
  internal::RecordFormatter m_formatter;  // worker thread only
  std::atomic<pid_t> m_workerTid{0};

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_progress;
  // Chunks of at most kChunkRecords: a long queue grows by a chunk, never by moving what it holds.
  static constexpr std::size_t kChunkRecords = 1024;
  using Chunk = std::vector<LogMessage>;
  std::vector<Chunk> m_queue;
  std::vector<Chunk> m_spareChunks;  // emptied by the worker, capacity kept
  bool m_sleeping = false;
  bool m_stop = false;
  std::uint64_t m_flushRequested = 0;
  std::uint64_t m_flushDone = 0;
  std::optional<LogMessage> m_fatal;
  bool m_fatalDone = false;
  bool m_finished = false;

  std::thread m_thread;  // last: starts after every member above exists
};

namespace internal {

struct WorkerAccess {
  static LogWorker::Impl& impl(LogWorker& worker) { return *worker.m_impl; }
};

}  // namespace internal
}  // namespace g2
