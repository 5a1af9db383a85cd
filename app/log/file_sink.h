#pragma once
// The log file: named, placed and opened at construction; written only by the worker thread.

#include <ctime>
#include <fstream>
#include <string>

namespace g2::internal {

// Removes white space, '/', '\\', '.', ':'; returns "" when the rest is empty or holds a forbidden character.
std::string cleanLogPrefix(const std::string& prefix);
// "<prefix>.g2log.<%Y%m%d-%H%M%S>.log" in local time.
std::string logFileName(const std::string& prefix, std::time_t now);
// directory with '\\' -> '/', trailing '/' and blanks dropped, then "/" + fileName (bare name if empty).
std::string logFilePathIn(const std::string& directory, const std::string& fileName);

class FileSink {
 public:
  // Aborts with a notice on standard error when the prefix is illegal.
  FileSink(const std::string& prefix, const std::string& directory);
  // Writes the closing line.
  ~FileSink();
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  void write(const std::string& text) { m_out << text; }
  void flush() { m_out.flush(); }
  // Where the file is (or would be, when no place could be opened).
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
  std::ofstream m_out;
};

}  // namespace g2::internal
