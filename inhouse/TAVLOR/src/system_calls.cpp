#include "system_calls.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

namespace tavlor::sys {

int OpenForReading(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool RegularFileSize(int fd, uint64_t* size) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

long ReadSome(int fd, void* buffer, size_t count) {
  ssize_t got;
  do {
    got = ::read(fd, buffer, count);
  } while (got < 0 && errno == EINTR);
  return static_cast<long>(got);
}

bool WriteAll(int fd, const void* bytes, size_t count) {
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t written = ::write(fd, next, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

int CreateExclusive(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool SetFileMode(int fd, uint32_t mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0;
}

// Don't retry close on EINTR: the descriptor is gone either way.
bool CloseFile(int fd) { return ::close(fd) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RegularFileMode(const std::string& path, uint32_t* mode) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *mode = static_cast<uint32_t>(st.st_mode & 07777);
  return true;
}

bool ResolveLink(const std::string& path, std::string* resolved) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return false;
  resolved->assign(real);
  ::free(real);
  return true;
}

uint64_t RandomBits() {
  uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
    return bits;
  static std::atomic<uint64_t> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<uint64_t>(now) * 0x9E3779B97F4A7C15ull +
         counter.fetch_add(1, std::memory_order_relaxed) + static_cast<uint64_t>(::getpid());
}

}  // namespace tavlor::sys
