// A file-size limit on this process, for as long as the object lives: a
// write past it fails with EFBIG (SIGXFSZ is ignored meanwhile), for root as
// well, so tests see a full disk without needing one. Programs started
// meanwhile inherit the limit; for them SIGXFSZ may be left at its default.
// Windows has no such limit: there active() is false and the test skips
// itself.
#ifndef QUENLOFT_TESTS_SUPPORT_FILE_SIZE_LIMIT_H
#define QUENLOFT_TESTS_SUPPORT_FILE_SIZE_LIMIT_H

#include <signal.h>
#include <sys/resource.h>

#include <cstddef>

namespace quenloft::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(size_t bytes, sighandler_t on_signal = SIG_IGN) {
    if (::getrlimit(RLIMIT_FSIZE, &previous_) != 0) return;
    struct rlimit limit = previous_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    previous_handler_ = ::signal(SIGXFSZ, on_signal);
    active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (!active_) ::signal(SIGXFSZ, previous_handler_);
  }
  ~FileSizeLimit() {
    if (!active_) return;
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool active() const { return active_; }

 private:
  struct rlimit previous_ {};
  sighandler_t previous_handler_ = SIG_DFL;
  bool active_ = false;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_FILE_SIZE_LIMIT_H
