#pragma once
// The front end's active worker, as seen from inside the logger.

#include "app/log/log_worker_impl.h"

namespace g2::internal {

// Pins the active worker for one call; detachLogging waits until no call holds it. Keep it short.
class ActiveWorker {
 public:
  ActiveWorker();
  ~ActiveWorker();
  ActiveWorker(const ActiveWorker&) = delete;
  ActiveWorker& operator=(const ActiveWorker&) = delete;
  // nullptr when none is attached.
  LogWorker::Impl* get() const { return m_impl; }

 private:
  LogWorker::Impl* m_impl;
};

// Detaches worker if it is the active one; from its destructor.
void detachIfActive(const LogWorker* worker);

}  // namespace g2::internal
