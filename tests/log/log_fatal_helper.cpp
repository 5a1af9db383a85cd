// Child process of the fatal-signal tests: log_fatal_helper DIRECTORY MODE.
// Attaches a worker, logs one line and then dies the way MODE says.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/log/g2log.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string mode = argv[2];
  g2::setPreFatalHook([](int) { [[maybe_unused]] auto n = write(STDERR_FILENO, "pre-fatal hook\n", 15); });

  auto worker = mode == "worker" ? g2::LogWorker::createWithCallbackSink([](const g2::LogMessage&) { raise(SIGSEGV); })
                                 : g2::LogWorker::createWithDefaultLogger("Quela", argv[1]);
  g2::initializeLogging(worker.get());
  LOG(INFO) << "before the fault";

  if (mode == "segv") *static_cast<volatile int*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)) = 1;
  if (mode == "abort") std::abort();
  if (mode == "fpe") raise(SIGFPE);
  if (mode == "ill") raise(SIGILL);
  if (mode == "term") kill(getpid(), SIGTERM);
  if (mode == "log-fatal") LOG(FATAL) << "giving up";
  if (mode == "detached") { g2::detachLogging(); raise(SIGSEGV); }
  for (;;) pause();
}
