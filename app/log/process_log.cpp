#include "app/log/process_log.h"

#include <iostream>
#include <memory>

namespace quela {

g2::LogWorker& ProcessLogWorker() {
  // Called during static initialisation, possibly before the standard streams exist; the sink reports on them.
  static const std::ios_base::Init streams;
  // A static, so exit() destroys it: the queue is written out and the file gets its closing line.
  static const std::unique_ptr<g2::LogWorker> worker =
      g2::LogWorker::createWithDefaultLogger("Quela", "QuelaDEBUG.log");
  return *worker;
}

}  // namespace quela
