#pragma once
// Text of records, the file header and fatal messages; worker-thread side, no I/O.

#include <ctime>
#include <string>

#include "app/log/log_message.h"

namespace g2::internal {

// Local time as "%Y/%m/%d %H:%M:%S".
std::string localDateTime(std::time_t time);
// Local time through strftime in the "C" locale, so day and month names never follow the user's locale.
std::string localTimeText(std::time_t time, const char* format);

// Builds record lines; keeps the last second's date text, so it belongs to one thread.
class RecordFormatter {
 public:
  // "\n<date> <time>.<us>\t<LEVEL> [<file> L: <line>]\t\"<message>\""
  std::string record(const LogMessage& record);
  // Fatal line plus the exit notice, for levels from FATAL up.
  std::string fatal(const LogMessage& record);

 private:
  const std::string& dateTime(LogMessage::Clock::time_point time);
  std::string prefix(const LogMessage& record);

  std::time_t m_cachedSecond = -1;
  std::string m_cachedText;
};

// The two header lines a new log file starts with.
std::string fileHeader(std::time_t now);
// Message of the record logged for a caught signal.
std::string fatalSignalMessage(int signal);
std::string signalName(int signal);

}  // namespace g2::internal
