#pragma once
// The process's own log worker.

#include "app/log/log_worker.h"

namespace quela {

// Created on the first call (prefix "Quela", directory "QuelaDEBUG.log" under the current directory);
// call it during static initialisation of the main module. Never destroyed by detachLogging; destroyed at
// process exit, which writes what is still queued and the file's closing line. Thread-safe.
g2::LogWorker& ProcessLogWorker();

}  // namespace quela
