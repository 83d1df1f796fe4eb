#include "system_calls.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace corvask::sys {

EntryKind KindOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return EntryKind::kMissing;
  if (S_ISREG(st.st_mode)) return EntryKind::kFile;
  if (S_ISDIR(st.st_mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool CanOpenForWriting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool CreateNewFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool GetMode(const std::string& path, uint32_t* mode) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  *mode = static_cast<uint32_t>(st.st_mode);
  return true;
}

bool SetMode(const std::string& path, uint32_t mode) {
  return ::chmod(path.c_str(), static_cast<mode_t>(mode & 07777)) == 0;
}

bool MakeUniqueFolder(std::string* templ) { return ::mkdtemp(templ->data()) != nullptr; }

std::string TemporaryFolder() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return {};
  return folder.string();
}

bool RemoveTree(const std::string& path) {
  std::error_code error;
  // remove_all removes symbolic links themselves, never what they point to.
  const std::uintmax_t removed = std::filesystem::remove_all(path, error);
  return !error && removed != 0 && removed != static_cast<std::uintmax_t>(-1);
}

uint64_t RandomBits() {
  uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
    return bits;
  // No entropy yet: the clock and a counter still make names differ.
  static std::atomic<uint64_t> counter{0};
  return static_cast<uint64_t>(MonotonicNanoseconds()) * 0x9E3779B97F4A7C15ull +
         counter.fetch_add(1, std::memory_order_relaxed) + static_cast<uint64_t>(::getpid());
}

int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace corvask::sys
