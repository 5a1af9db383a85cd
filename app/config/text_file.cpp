#include "app/config/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace quela {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

TextFileResult Failure(std::string why) {
  TextFileResult result;
  result.status = TextFileResult::Status::kError;
  result.error = std::move(why);
  return result;
}

}  // namespace

TextFileResult ReadTextFile(const std::filesystem::path& path, std::size_t maxBytes) {
  // O_NONBLOCK: opening a FIFO without a writer must not block start-up.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) {
    if (errno == ENOENT) return TextFileResult{};
    return Failure(std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return Failure(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Failure("not a regular file");
  if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    return Failure("larger than " + std::to_string(maxBytes) + " bytes");
  }

  // The file may grow after fstat; read one byte past the cap to notice.
  TextFileResult result;
  result.text.resize(maxBytes + 1);
  std::size_t filled = 0;
  while (filled < result.text.size()) {
    const ssize_t got = ::read(file.get(), result.text.data() + filled, result.text.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Failure(std::strerror(errno));
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled > maxBytes) return Failure("larger than " + std::to_string(maxBytes) + " bytes");
  result.text.resize(filled);
  result.status = TextFileResult::Status::kOk;
  return result;
}

}  // namespace quela
