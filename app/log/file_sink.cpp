#include "app/log/file_sink.h"

#include <cctype>
#include <cstdlib>
#include <iostream>

#include "app/log/log_format.h"

namespace g2::internal {

std::string cleanLogPrefix(const std::string& prefix) {
  std::string cleaned;
  for (const char c : prefix) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == '/' || c == '\\' || c == '.' || c == ':') continue;
    cleaned += c;
  }
  static constexpr char kForbidden[] = "/,|<>:#$%{}()[]'\"^!?+*";
  if (cleaned.find_first_of(kForbidden) != std::string::npos) return "";
  return cleaned;
}

std::string logFileName(const std::string& prefix, std::time_t now) {
  return prefix + ".g2log." + localTimeText(now, "%Y%m%d-%H%M%S") + ".log";
}

std::string logFilePathIn(const std::string& directory, const std::string& fileName) {
  std::string dir = directory;
  for (char& c : dir) {
    if (c == '\\') c = '/';
  }
  while (!dir.empty() && (dir.back() == '/' || dir.back() == ' ')) dir.pop_back();
  return dir.empty() ? fileName : dir + "/" + fileName;
}

namespace {

void reportOpenFailure(const std::string& path, const std::ofstream& out) {
  std::cerr << "FILE ERROR:  could not open log file:[" << path << "]"
            << "\n\t\t std::ios_base state = " << out.rdstate() << std::endl;
}

}  // namespace

FileSink::FileSink(const std::string& prefix, const std::string& directory) {
  const std::string cleaned = cleanLogPrefix(prefix);
  if (cleaned.empty()) {
    std::cerr << "g2log: forced abort due to illegal log prefix [" << prefix << "]" << std::endl;
    std::abort();
  }
  const std::time_t now = std::time(nullptr);
  const std::string fileName = logFileName(cleaned, now);
  m_path = logFilePathIn(directory, fileName);
  m_out.open(m_path, std::ios::out | std::ios::trunc);
  if (!m_out.is_open()) {
    reportOpenFailure(m_path, m_out);
    std::cerr << "Cannot write log file to location, attempting current directory" << std::endl;
    m_path = "./" + fileName;
    m_out.clear();
    m_out.open(m_path, std::ios::out | std::ios::trunc);
    // Without any writable place the program runs on and its records are lost.
    if (!m_out.is_open()) reportOpenFailure(m_path, m_out);
  }
  m_out << fileHeader(now);
}

FileSink::~FileSink() {
  m_out << "\ng2log g2FileSink shutdown at: " << localDateTime(std::time(nullptr)) << "\nLog file at: ["
        << m_path << "]\n";
}

}  // namespace g2::internal
