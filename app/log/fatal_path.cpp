#include "app/log/fatal_path.h"

#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "app/log/front_end.h"
#include "app/log/g2log.h"

namespace g2 {
namespace {

constexpr int kFatalSignals[] = {SIGABRT, SIGFPE, SIGSEGV, SIGILL, SIGTERM};
constexpr const char* kInstallErrors[] = {"signal - SIGABRT", "signal - SIGFPE", "signal - SIGSEGV",
                                          "signal - SIGILL", "signal - SIGTERM"};
// A worker with a long backlog gets this long to write the fatal record before the signal is raised anyway.
constexpr auto kFatalWriteTimeout = std::chrono::seconds(5);
// A thread parked on the fatal path ends the process itself after this long, should the path hang.
constexpr int kParkedTenthsOfSecond = 100;

std::atomic<PreFatalHook> g_preFatalHook{nullptr};
std::atomic<pid_t> g_fatalOwner{0};  // the first thread on the fatal path
std::atomic<int> g_caughtSignal{0};
std::atomic<long long> g_caughtSeconds{0};
std::atomic<long> g_caughtNanoseconds{0};
sem_t g_caughtSemaphore;
pid_t g_writerProcess = 0;  // a forked child has no writer thread

[[noreturn]] void raiseWithDefaultAction(int signal) {
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  for (const int each : kFatalSignals) sigaction(each, &defaultAction, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  std::perror("g2log exited after receiving FATAL trigger. Flush message status: ");
  _exit(128 + signal);
}

[[noreturn]] void park(int signal) {
  for (int waited = 0; waited < kParkedTenthsOfSecond; ++waited) {
    timespec tenth{0, 100'000'000};
    nanosleep(&tenth, nullptr);
  }
  raiseWithDefaultAction(signal);
}

// Returns when this thread owns the fatal path. A second fault on the owning thread ends the process at
// once; every other thread parks until the owner has ended it.
void claimFatalPath(int signal) {
  const pid_t self = gettid();
  pid_t owner = 0;
  if (g_fatalOwner.compare_exchange_strong(owner, self)) return;
  if (owner == self) raiseWithDefaultAction(signal);
  park(signal);
}

void runPreFatalHook(int signal) {
  if (const PreFatalHook hook = g_preFatalHook.load()) hook(signal);
}

// Async-signal-safe: it records the signal and its time, wakes the writer thread and parks.
void onFatalSignal(int signal) {
  claimFatalPath(signal);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  g_caughtSeconds = now.tv_sec;
  g_caughtNanoseconds = now.tv_nsec;
  g_caughtSignal = signal;
  runPreFatalHook(signal);
  if (getpid() != g_writerProcess) raiseWithDefaultAction(signal);
  sem_post(&g_caughtSemaphore);
  park(signal);
}

[[noreturn]] void writeFatalRecordAndRaise(LogMessage&& record, pid_t faultingThread) {
  const int signal = record.signal();
  {
    // Held to the end: the worker must not be detached and destroyed while it writes the record.
    internal::ActiveWorker active;
    LogWorker::Impl* worker = active.get();
    if (worker == nullptr) {
      std::cerr << "FATAL CALL but logger is NOT initialized\n"
                << "SIGNAL: " << signal << "\n"
                << record.message() << std::flush;
    } else if (worker->isWorkerThread(faultingThread) || !worker->fatal(LogMessage(record), kFatalWriteTimeout)) {
      // The worker cannot write it (it is the faulting thread, or it hangs): standard error at least.
      std::cerr << internal::RecordFormatter().fatal(record) << std::flush;
    }
    raiseWithDefaultAction(signal);
  }
}

void writeCaughtSignals() {
  internal::blockAsynchronousFatalSignals();
  while (sem_wait(&g_caughtSemaphore) != 0) {
  }
  using Clock = LogMessage::Clock;
  const auto sinceEpoch = std::chrono::seconds(g_caughtSeconds.load()) +
                          std::chrono::nanoseconds(g_caughtNanoseconds.load());
  LogMessage record(__FILE_NAME__, __LINE__, __PRETTY_FUNCTION__, FATAL_SIGNAL,
                    Clock::time_point(std::chrono::duration_cast<Clock::duration>(sinceEpoch)));
  const int signal = g_caughtSignal.load();
  record.setMessage(internal::fatalSignalMessage(signal));
  record.setSignal(signal);
  writeFatalRecordAndRaise(std::move(record), g_fatalOwner.load());
}

}  // namespace

void setPreFatalHook(PreFatalHook hook) { g_preFatalHook = hook; }

namespace internal {

void installFatalSignalHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  sem_init(&g_caughtSemaphore, 0, 0);
  g_writerProcess = getpid();
  std::thread(writeCaughtSignals).detach();
  struct sigaction action {};
  action.sa_handler = onFatalSignal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
    if (sigaction(kFatalSignals[i], &action, nullptr) != 0) std::perror(kInstallErrors[i]);
  }
}

void fatalCall(LogMessage&& record) {
  claimFatalPath(record.signal());
  runPreFatalHook(record.signal());
  writeFatalRecordAndRaise(std::move(record), gettid());
}

void blockAsynchronousFatalSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGABRT);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace internal
}  // namespace g2
