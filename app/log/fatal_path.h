#pragma once
// Caught signals and fatal records: the pre-fatal hook, the fatal record, then the re-raised signal.

#include <sys/types.h>

#include "app/log/log_message.h"

namespace g2::internal {

// Installs the handlers of the five fatal signals and starts the thread that writes their record. Once;
// later calls do nothing. Under the front end's mutex.
void installFatalSignalHandlers();
// LOG(FATAL) and friends on the calling thread: hook, fatal record, re-raise. Never returns.
[[noreturn]] void fatalCall(LogMessage&& record);
// For the logger's own threads: a SIGTERM or SIGABRT sent to the process is then taken by another thread,
// so the worker stays free to write the fatal record.
void blockAsynchronousFatalSignals();

}  // namespace g2::internal
