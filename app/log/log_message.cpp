#include "app/log/log_message.h"

#include <csignal>
#include <cstring>
#include <string_view>

namespace g2 {

LogMessage::LogMessage(const char* file, int line, const char* prettyFunction, Level level,
                       Clock::time_point time)
    : m_time(time),
      m_file(file),
      m_line(line),
      m_prettyFunction(prettyFunction),
      m_level(level),
      m_signal(SIGABRT) {}

std::int64_t LogMessage::microseconds() const {
  using namespace std::chrono;
  const auto sinceEpoch = duration_cast<std::chrono::microseconds>(m_time.time_since_epoch()).count();
  const auto remainder = sinceEpoch % 1'000'000;
  return remainder < 0 ? remainder + 1'000'000 : remainder;
}

std::string LogMessage::function() const { return qualifiedFunctionName(m_prettyFunction); }

std::string qualifiedFunctionName(const char* prettyFunction) {
  std::string_view text(prettyFunction);
  if (const auto with = text.find(" [with "); with != std::string_view::npos) text = text.substr(0, with);

  // The parameter list is the last balanced "(...)"; what follows it is cv/ref/noexcept qualifiers.
  // A lambda's body ("f()::<lambda(int)>") ends in '>' and has none.
  std::size_t end = text.size();
  const auto close = text.rfind(')');
  const auto lastAngle = text.rfind('>');
  if (close != std::string_view::npos && (lastAngle == std::string_view::npos || lastAngle < close)) {
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
      if (text[i] == ')') ++depth;
      if (text[i] == '(' && --depth == 0) {
        end = i;
        break;
      }
    }
  }
  // The name starts after the last blank outside template arguments and parentheses (the return type's end).
  int depth = 0;
  std::size_t begin = 0;
  for (std::size_t i = end; i-- > 0;) {
    const char c = text[i];
    if (c == '>' || c == ')') ++depth;
    if ((c == '<' || c == '(') && depth > 0) --depth;
    if (c == ' ' && depth == 0) {
      begin = i + 1;
      break;
    }
  }
  return std::string(text.substr(begin, end - begin));
}

}  // namespace g2
