#pragma once
// The program's log front end: LOG(level) << ...; and LOGF(level, "format", ...);
//
// Records logged while no worker is attached are dropped; the first of each such period is printed on
// standard error. Fatal levels (FATAL and up) and the five caught signals (SIGABRT, SIGFPE, SIGSEGV,
// SIGILL, SIGTERM) end the process in this order:
//   1. the pre-fatal hook runs (on the faulting thread, inside the signal handler for signals),
//   2. the fatal record is written to standard error and every sink, the file sink writes its closing line,
//   3. the default handlers of the five signals are restored and the signal is raised again.

#include <optional>
#include <sstream>

#include "app/log/log_message.h"
#include "app/log/log_worker.h"

namespace g2 {

// Makes worker the active one; the first call also installs the fatal-signal handlers. A second attach
// while one is active is reported on standard error and ignored. Caller keeps ownership. Any thread.
void initializeLogging(LogWorker* worker);
// Clears the active worker under the front end's mutex and waits for calls already inside it; does not
// destroy it. Any thread except the worker's.
void detachLogging();

// Runs first on the fatal path, on the faulting thread; for signals inside the handler, so it must be
// async-signal-safe. nullptr removes it. Set before the fatal path can start.
using PreFatalHook = void (*)(int signal);
void setPreFatalHook(PreFatalHook hook);

namespace internal {

// Collects one record; its destructor (end of the LOG statement) hands the record over.
class LogCapture {
 public:
  LogCapture(const char* file, int line, const char* prettyFunction, Level level);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::ostringstream& stream();
  // At most 2048 characters, then "[...truncated...]"; a format that yields nothing or fails gives the
  // parse-failure notice instead.
  void capturef(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  LogMessage m_record;
  std::optional<std::ostringstream> m_stream;
};

}  // namespace internal
}  // namespace g2

#define LOG(level) \
  ::g2::internal::LogCapture(__FILE_NAME__, __LINE__, __PRETTY_FUNCTION__, ::g2::level).stream()
#define LOGF(level, ...) \
  ::g2::internal::LogCapture(__FILE_NAME__, __LINE__, __PRETTY_FUNCTION__, ::g2::level).capturef(__VA_ARGS__)
