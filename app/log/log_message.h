#pragma once
// One log record, filled on the calling thread and formatted on the worker.

#include <chrono>
#include <cstdint>
#include <string>

namespace g2 {

struct Level {
  int value;
  const char* text;
};

inline constexpr Level DEBUG{0, "DEBUG"};
inline constexpr Level INFO{1, "INFO"};
inline constexpr Level WARNING{2, "WARNING"};
// The logger's own levels: every level from FATAL up ends the process.
inline constexpr Level FATAL{3, "FATAL"};
inline constexpr Level CONTRACT{4, "CONTRACT"};
inline constexpr Level FATAL_SIGNAL{5, "FATAL_SIGNAL"};

constexpr bool isFatal(Level level) { return level.value >= FATAL.value; }

class LogMessage {
 public:
  using Clock = std::chrono::system_clock;

  // file and prettyFunction must outlive the record (string literals, __FILE_NAME__, __PRETTY_FUNCTION__).
  LogMessage(const char* file, int line, const char* prettyFunction, Level level,
             Clock::time_point time = Clock::now());

  std::string level() const { return m_level.text; }
  Level levelInfo() const { return m_level; }
  const std::string& message() const { return m_message; }
  std::string file() const { return m_file; }
  int line() const { return m_line; }
  // Qualified name without return type and parameters, e.g. "cDirectX::Initialize"; derived on each call.
  std::string function() const;
  Clock::time_point timestamp() const { return m_time; }
  // Sub-second part of timestamp(), 0..999999.
  std::int64_t microseconds() const;
  // Failed expression of a broken contract; empty for plain records.
  const std::string& expression() const { return m_expression; }
  // Signal raised after a fatal record is written (SIGABRT unless a caught signal says otherwise).
  int signal() const { return m_signal; }

  void setMessage(std::string message) { m_message = std::move(message); }
  void setExpression(std::string expression) { m_expression = std::move(expression); }
  void setSignal(int signal) { m_signal = signal; }

 private:
  Clock::time_point m_time;
  const char* m_file;
  int m_line;
  const char* m_prettyFunction;
  Level m_level;
  int m_signal;
  std::string m_message;
  std::string m_expression;
};

// "void ns::cA::Run(int) const" -> "ns::cA::Run"; works on GCC/Clang __PRETTY_FUNCTION__ texts.
std::string qualifiedFunctionName(const char* prettyFunction);

}  // namespace g2
