#include "system_calls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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

std::string MakeTemporaryFolder(const char* prefix) {
  std::error_code ec;
  std::string pattern =
      (std::filesystem::temp_directory_path(ec) / (std::string(prefix) + "XXXXXX")).string();
  if (ec || mkdtemp(pattern.data()) == nullptr) return {};
  return pattern + "/";
}

}  // namespace quenloft_tool::system_calls
