#include <fcntl.h>
#include <sys/ioctl.h>
#ifdef __linux__
#include <linux/fs.h>
#endif
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "os/fault_injection.h"
#include "os/system_calls.h"

namespace inhouse::os {
namespace {

// Makes the call again while a signal interrupts it.
template <class Call>
auto Retried(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace

EntryStatus StatusOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  const EntryKind kind = S_ISREG(st.st_mode)   ? EntryKind::kFile
                         : S_ISDIR(st.st_mode) ? EntryKind::kFolder
                                               : EntryKind::kOther;
  return {kind, static_cast<uint32_t>(st.st_mode & 07777)};
}

bool SetPermissions(const std::string& path, uint32_t permissions) {
  return ::chmod(path.c_str(), static_cast<mode_t>(permissions & 07777)) == 0;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool CanOpenForWriting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool RemoveFile(const std::string& path) {
  return !INHOUSE_OS_FAILS(kRemove) && ::unlink(path.c_str()) == 0;
}

bool RemoveTree(const std::string& path) {
  std::error_code error;
  // remove_all removes symbolic links themselves, never what they point to.
  const std::uintmax_t removed = std::filesystem::remove_all(path, error);
  return !error && removed != 0 && removed != static_cast<std::uintmax_t>(-1);
}

bool MakeUniqueFolder(std::string* templ) { return ::mkdtemp(templ->data()) != nullptr; }

std::string TemporaryFolder() {
  std::error_code error;
  std::string folder = std::filesystem::temp_directory_path(error).string();
  if (error) return {};
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

EntryStatus StatusOfEntry(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return {};
  const EntryKind kind = S_ISREG(st.st_mode)   ? EntryKind::kFile
                         : S_ISDIR(st.st_mode) ? EntryKind::kFolder
                                               : EntryKind::kOther;
  return {kind, static_cast<uint32_t>(st.st_mode & 07777)};
}

bool RenameOver(const std::string& from, const std::string& to) {
  return !INHOUSE_OS_FAILS(kRename) && ::rename(from.c_str(), to.c_str()) == 0;
}

int OpenForReading(const std::string& path) {
  return Retried([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
}

int CreateExclusive(const std::string& path) {
  if (INHOUSE_OS_FAILS(kCreate)) return -1;
  return Retried([&] {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  });
}

bool RegularFileStatus(int fd, uint64_t* size, uint32_t* permissions) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = static_cast<uint64_t>(st.st_size);
  *permissions = static_cast<uint32_t>(st.st_mode & 07777);
  return true;
}

bool SetFilePermissions(int fd, uint32_t permissions) {
  return ::fchmod(fd, static_cast<mode_t>(permissions & 07777)) == 0;
}

long ReadSome(int fd, void* buffer, size_t count) {
  if (INHOUSE_OS_FAILS(kRead)) return -1;
  return Retried([&] { return ::read(fd, buffer, INHOUSE_OS_LIMIT(count)); });
}

long WriteSome(int fd, const void* bytes, size_t count) {
  if (INHOUSE_OS_FAILS(kWrite)) return -1;
  return Retried([&] { return ::write(fd, bytes, INHOUSE_OS_LIMIT(count)); });
}

long CopyRange(int from, int to, size_t count) {
  if (INHOUSE_OS_FAILS(kWrite)) return -1;
  return Retried([&] {
    return ::copy_file_range(from, nullptr, to, nullptr, INHOUSE_OS_LIMIT(count), 0);
  });
}

// Don't retry close on EINTR: the descriptor is gone either way.
bool CloseFile(int fd) {
  if (INHOUSE_OS_FAILS(kClose)) {
    ::close(fd);  // a close that failed still frees the descriptor
    return false;
  }
  return ::close(fd) == 0;
}

bool CloneFile(int from, int to) {
#ifdef FICLONE
  return ::ioctl(to, FICLONE, from) == 0;
#else
  errno = ENOSYS;
  return false;
#endif
}

namespace {

// lseek with SEEK_DATA or SEEK_HOLE; `otherwise` where it cannot tell.
uint64_t SeekFor(int fd, uint64_t offset, uint64_t size, int whence, uint64_t otherwise) {
  if (offset >= size) return size;
  const off_t found = ::lseek(fd, static_cast<off_t>(offset), whence);
  if (found < 0) return errno == ENXIO ? size : otherwise;
  return std::min(static_cast<uint64_t>(found), size);
}

}  // namespace

uint64_t NextData(int fd, uint64_t offset, uint64_t size) {
  return SeekFor(fd, offset, size, SEEK_DATA, offset);
}

uint64_t NextHole(int fd, uint64_t offset, uint64_t size) {
  return SeekFor(fd, offset, size, SEEK_HOLE, size);
}

bool SeekTo(int fd, uint64_t offset) {
  return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool SetFileSize(int fd, uint64_t size) {
  if (INHOUSE_OS_FAILS(kWrite)) return false;
  return Retried([&] { return ::ftruncate(fd, static_cast<off_t>(size)); }) == 0;
}

bool SystemRandomBits(uint64_t* bits) {
  return ::getrandom(bits, sizeof *bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof *bits);
}

uint64_t ProcessId() { return static_cast<uint64_t>(::getpid()); }

}  // namespace inhouse::os
