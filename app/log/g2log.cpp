#include "app/log/g2log.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/log/fatal_path.h"
#include "app/log/front_end.h"

namespace g2 {
namespace {

constexpr int kMaxMessageSize = 2048;

std::mutex g_attachMutex;
std::atomic<LogWorker*> g_activeWorker{nullptr};
// Calls between loading g_activeWorker and being done with it; detaching waits for zero.
std::atomic<int> g_callsInside{0};
std::atomic<bool> g_dropReported{false};

void clearActiveWorker() {
  g_activeWorker = nullptr;
  g_dropReported = false;
  while (g_callsInside.load() != 0) std::this_thread::yield();
}

void reportDropped(const LogMessage& record) {
  if (g_dropReported.exchange(true)) return;
  std::cerr << "LOGGER NOT INITIALIZED:\n\t\t" << record.message() << std::endl;
}

}  // namespace

void initializeLogging(LogWorker* worker) {
  if (worker == nullptr) return;
  std::lock_guard lock(g_attachMutex);
  if (g_activeWorker.load() != nullptr) {
    std::cerr << "\n\t\tHaving multiple instances of the g2::LogWorker is likely a BUG" << std::endl;
    return;
  }
  internal::installFatalSignalHandlers();
  g_activeWorker = worker;
}

void detachLogging() {
  std::lock_guard lock(g_attachMutex);
  clearActiveWorker();
}

namespace internal {

ActiveWorker::ActiveWorker() {
  g_callsInside.fetch_add(1);
  LogWorker* worker = g_activeWorker.load();
  m_impl = worker ? &WorkerAccess::impl(*worker) : nullptr;
}

ActiveWorker::~ActiveWorker() { g_callsInside.fetch_sub(1); }

void detachIfActive(const LogWorker* worker) {
  std::lock_guard lock(g_attachMutex);
  if (g_activeWorker.load() == worker) clearActiveWorker();
}

LogCapture::LogCapture(const char* file, int line, const char* prettyFunction, Level level)
    : m_record(file, line, prettyFunction, level) {}

LogCapture::~LogCapture() {
  if (m_stream) m_record.setMessage(std::move(*m_stream).str());
  if (isFatal(m_record.levelInfo())) fatalCall(std::move(m_record));
  {
    ActiveWorker active;
    if (active.get() != nullptr) {
      active.get()->save(std::move(m_record));
      return;
    }
  }
  reportDropped(m_record);
}

std::ostringstream& LogCapture::stream() {
  if (!m_stream) m_stream.emplace();
  return *m_stream;
}

void LogCapture::capturef(const char* format, ...) {
  if (format == nullptr) format = "";
  char buffer[kMaxMessageSize + 1];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length <= 0) {
    m_record.setMessage(std::string("\n\tERROR LOG MSG NOTIFICATION: Failure to parse successfully the message") +
                        '"' + format + '"' + "\n");
    return;
  }
  std::string message(buffer, std::min(length, kMaxMessageSize));
  if (length > kMaxMessageSize) message += "[...truncated...]";
  m_record.setMessage(std::move(message));
}

}  // namespace internal
}  // namespace g2
