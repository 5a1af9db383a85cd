#include "app/log/log_format.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <locale.h>

namespace g2::internal {

std::string localDateTime(std::time_t time) {
  std::tm tm{};
  localtime_r(&time, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string localTimeText(std::time_t time, const char* format) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  std::tm tm{};
  localtime_r(&time, &tm);
  char text[128];
  const std::size_t length = strftime_l(text, sizeof text, format, &tm, cLocale);
  return std::string(text, length);
}

const std::string& RecordFormatter::dateTime(LogMessage::Clock::time_point time) {
  const std::time_t second = LogMessage::Clock::to_time_t(time);
  if (second != m_cachedSecond) {
    m_cachedSecond = second;
    m_cachedText = localDateTime(second);
  }
  return m_cachedText;
}

std::string RecordFormatter::prefix(const LogMessage& record) {
  std::string text = "\n";
  text += dateTime(record.timestamp());
  text += '.';
  text += std::to_string(record.microseconds());
  text += '\t';
  text += record.levelInfo().text;
  text += " [";
  text += record.file();
  text += " L: ";
  text += std::to_string(record.line());
  text += "]\t";
  return text;
}

std::string RecordFormatter::record(const LogMessage& record) {
  std::string text = prefix(record);
  text.reserve(text.size() + record.message().size() + 2);
  text += '"';
  text += record.message();
  text += '"';
  return text;
}

std::string RecordFormatter::fatal(const LogMessage& record) {
  const Level level = record.levelInfo();
  const std::string quoted = '"' + record.message() + '"';
  std::string text;
  if (level.value == FATAL_SIGNAL.value) {
    text = "\n" + dateTime(record.timestamp()) + "." + std::to_string(record.microseconds()) +
           "\n\n***** FATAL SIGNAL RECEIVED ******* \n" + quoted;
  } else if (level.value == FATAL.value) {
    text = prefix(record) + "\n\t*******\t " + "EXIT trigger caused by LOG(FATAL) entry: " + "\n\t" + quoted;
  } else if (level.value == CONTRACT.value) {
    text = prefix(record) + "\n\t*******\t " + "EXIT trigger caused by broken Contract:" + " CHECK(" +
           record.expression() + ")\n\t" + quoted;
  } else {
    text = "UNKNOWN Log Message Type";
  }
  text += "\nExiting after fatal event  (" + record.level() + "). Exiting with signal: " +
          std::to_string(record.signal()) + "\nLog content flushed flushed sucessfully to sink\n\n";
  return text;
}

std::string fileHeader(std::time_t now) {
  return "\t\tg2log created log at: " + localTimeText(now, "%a %b %d %H:%M:%S %Y") + "\n" +
         "\t\tLOG format: [YYYY/MM/DD hh:mm:ss.uuu* LEVEL FILE:LINE] message\n\n";
}

std::string signalName(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    case SIGFPE: return "SIGFPE";
    case SIGTERM: return "SIGTERM";
    default: return "UNKNOWN SIGNAL(" + std::to_string(signal) + ")";
  }
}

std::string fatalSignalMessage(int signal) {
  return "\n\n***** FATAL TRIGGER RECEIVED ******* \n\n***** RETHROWING SIGNAL " + signalName(signal) + "(" +
         std::to_string(signal) + ")\n";
}

}  // namespace g2::internal
