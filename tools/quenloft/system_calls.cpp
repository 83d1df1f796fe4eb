#include "system_calls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "quenloft/quenloft.h"

namespace quenloft_tool::system_calls {
namespace {

std::atomic<void (*)()> g_on_interrupt{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);

extern "C" void OnSigint(int /*signal*/) {
  if (auto* on_interrupt = g_on_interrupt.load()) on_interrupt();
}

}  // namespace

ComponentRuntime::ComponentRuntime() = default;
ComponentRuntime::~ComponentRuntime() = default;

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }
bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

void CatchInterrupt(void (*on_interrupt)()) {
  g_on_interrupt.store(on_interrupt);
  struct sigaction action = {};
  action.sa_handler = OnSigint;
  sigemptyset(&action.sa_mask);
  // SA_RESTART: a read or write that the signal lands in goes on, so no file
  // operation of the library sees EINTR half-way.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

void WriteToStderr(const char* text, size_t size) {
  while (size > 0) {
    const ssize_t written = write(STDERR_FILENO, text, size);
    if (written <= 0) return;
    text += written;
    size -= static_cast<size_t>(written);
  }
}

void KeepRunningPastFileSizeLimit() {
  // Ignored, SIGXFSZ no longer ends the process: the write gets EFBIG.
  struct sigaction action = {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  sigaction(SIGXFSZ, &action, nullptr);
}

std::string LibraryFile() {
  Dl_info info = {};
  // The export's address lies inside the library (the tool is a PIE, so the
  // address comes from the library's own code, not from a PLT stub).
  if (dladdr(reinterpret_cast<void*>(&CreateTemplateManagerInstance), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::string() : file.string();
}

std::string ProgramFile() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

bool SyncToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  return ::close(fd) == 0 && synced;
}

bool OnOneFileSystem(const std::string& a, const std::string& b) {
  struct stat first = {}, second = {};
  if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return true;
  return first.st_dev == second.st_dev;
}

bool MayHaveHoles(int fd, uint64_t size) {
  struct stat status = {};
  return fstat(fd, &status) != 0 || static_cast<uint64_t>(status.st_blocks) * 512 < size;
}

char* AllocateFileBuffer(size_t size) {
  constexpr size_t kLargePage = size_t{2} << 20;
  if (size < kLargePage) return static_cast<char*>(std::malloc(size));
  void* data = nullptr;
  if (posix_memalign(&data, kLargePage, size) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
  // Only a hint: where large pages are off or none is free, small ones.
  madvise(data, size, MADV_HUGEPAGE);
#endif
  return static_cast<char*>(data);
}

void FreeFileBuffer(char* data) { std::free(data); }

bool CanMakeFileIn(const std::string& folder, std::string* error) {
  // access() says yes to root on a read-only mount; making a file does not.
  std::string probe = folder + ".quenloft-probe-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

FolderLock::Result FolderLock::Lock(const std::string& folder, const char* name,
                                    std::string* error) {
  const std::string path = folder + name;
  // The holder removes the file before it lets go: a lock won on a file no
  // longer at the path guards nothing, so it is taken again on the new one.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      *error = std::strerror(errno);
      return Result::kFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int reason = errno;
      close(fd);
      if (reason == EWOULDBLOCK) return Result::kBusy;
      *error = std::strerror(reason);
      return Result::kFailed;
    }
    struct stat held = {}, named = {};
    if (fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && SameFile(held, named)) {
      fd_ = fd;
      path_ = path;
      return Result::kLocked;
    }
    close(fd);
  }
  *error = "the lock file keeps changing";
  return Result::kFailed;
}

FolderLock::~FolderLock() {
  if (fd_ < 0) return;
  // Only our own file: something may have replaced it meanwhile.
  struct stat held = {}, named = {};
  if (fstat(fd_, &held) == 0 && lstat(path_.c_str(), &named) == 0 && SameFile(held, named)) {
    unlink(path_.c_str());
  }
  close(fd_);
}

std::string MakeTemporaryFolder(const char* prefix) {
  std::error_code ec;
  std::string pattern =
      (std::filesystem::temp_directory_path(ec) / (std::string(prefix) + "XXXXXX")).string();
  if (ec || mkdtemp(pattern.data()) == nullptr) return {};
  return pattern + "/";
}

}  // namespace quenloft_tool::system_calls
