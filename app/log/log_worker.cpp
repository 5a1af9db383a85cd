#include "app/log/log_worker_impl.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

#include "app/log/fatal_path.h"
#include "app/log/front_end.h"

namespace g2 {

LogWorker::Impl::Impl(std::unique_ptr<internal::FileSink> file, CallbackSink callback)
    : m_file(std::move(file)), m_callback(std::move(callback)), m_thread([this] { run(); }) {}

LogWorker::Impl::~Impl() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
    if (m_sleeping) m_wake.notify_one();
  }
  m_thread.join();
}

void LogWorker::Impl::save(LogMessage&& record) {
  bool wake = false;
  {
    std::lock_guard lock(m_mutex);
    if (m_queue.empty() || m_queue.back().size() == kChunkRecords) {
      if (m_spareChunks.empty()) {
        m_queue.emplace_back().reserve(kChunkRecords);
      } else {
        m_queue.push_back(std::move(m_spareChunks.back()));
        m_spareChunks.pop_back();
      }
    }
    m_queue.back().push_back(std::move(record));
    wake = m_sleeping;
    m_sleeping = false;
  }
  if (wake) m_wake.notify_one();
}

void LogWorker::Impl::flush() {
  if (isWorkerThread(gettid())) return;
  std::unique_lock lock(m_mutex);
  const std::uint64_t ticket = ++m_flushRequested;
  m_sleeping = false;
  m_wake.notify_one();
  m_progress.wait(lock, [&] { return m_flushDone >= ticket || m_finished; });
}

bool LogWorker::Impl::fatal(LogMessage&& record, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  if (m_finished) return false;
  m_fatal.emplace(std::move(record));
  m_sleeping = false;
  m_wake.notify_one();
  return m_progress.wait_for(lock, timeout, [&] { return m_fatalDone; });
}

std::string LogWorker::Impl::logFilePath() const { return m_file ? m_file->path() : std::string(); }

void LogWorker::Impl::deliver(const LogMessage& record) {
  if (m_file) m_file->write(m_formatter.record(record));
  if (m_callback) m_callback(record);
}

void LogWorker::Impl::deliverFatal(const LogMessage& record) {
  const std::string text = m_formatter.fatal(record);
  std::cerr << text << std::flush;
  if (m_file) {
    m_file->write(text);
    m_file.reset();  // closing line, then the file is closed
  }
  if (m_callback) m_callback(record);
}

void LogWorker::Impl::run() {
  m_workerTid = gettid();
  internal::blockAsynchronousFatalSignals();
  constexpr std::size_t kMaxSpareChunks = 16;
  std::vector<Chunk> batch;
  for (;;) {
    std::uint64_t flushTarget = 0;
    std::optional<LogMessage> fatalRecord;
    bool stop = false;
    {
      std::unique_lock lock(m_mutex);
      while (m_queue.empty() && m_flushRequested == m_flushDone && !m_stop && !m_fatal) {
        m_sleeping = true;
        m_wake.wait(lock);
      }
      m_sleeping = false;
      while (!batch.empty() && m_spareChunks.size() < kMaxSpareChunks) {
        m_spareChunks.push_back(std::move(batch.back()));
        batch.pop_back();
      }
      batch.clear();
      batch.swap(m_queue);
      flushTarget = m_flushRequested;
      fatalRecord.swap(m_fatal);
      stop = m_stop;
    }
    for (Chunk& chunk : batch) {
      for (const LogMessage& record : chunk) deliver(record);
      chunk.clear();
    }
    if (batch.size() > kMaxSpareChunks) batch.resize(kMaxSpareChunks);  // frees outside the lock

    if (fatalRecord) {
      deliverFatal(*fatalRecord);
      std::lock_guard lock(m_mutex);
      m_fatalDone = true;
      m_finished = true;
      m_progress.notify_all();
      return;
    }
    const bool flushWanted = flushTarget != m_flushDone;  // m_flushDone is written only here
    if (flushWanted && m_file) m_file->flush();
    if (flushWanted || stop) {
      std::lock_guard lock(m_mutex);
      m_flushDone = flushTarget;
      if (stop && m_queue.empty()) m_finished = true;
      m_progress.notify_all();
      if (m_finished) return;
    }
  }
}

}  // namespace g2

namespace g2 {

LogWorker::LogWorker(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

LogWorker::~LogWorker() { internal::detachIfActive(this); }

std::unique_ptr<LogWorker> LogWorker::createWithDefaultLogger(const std::string& prefix,
                                                              const std::string& directory) {
  auto file = std::make_unique<internal::FileSink>(prefix, directory);
  return std::unique_ptr<LogWorker>(new LogWorker(std::make_unique<Impl>(std::move(file), CallbackSink())));
}

std::unique_ptr<LogWorker> LogWorker::createWithCallbackSink(CallbackSink sink) {
  return std::unique_ptr<LogWorker>(new LogWorker(std::make_unique<Impl>(nullptr, std::move(sink))));
}

std::string LogWorker::logFilePath() const { return m_impl->logFilePath(); }

void LogWorker::flush() { m_impl->flush(); }

}  // namespace g2
