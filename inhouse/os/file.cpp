#include "os/file.h"

#include <cerrno>
#include <memory>
#include <utility>

#include "os/system_calls.h"

namespace inhouse::os {
namespace {

constexpr size_t kCopyChunk = 1 << 30;
constexpr size_t kBufferSize = 64 * 1024;

bool CopyByReading(int from, int to) {
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    const long got = ReadSome(from, buffer.get(), kBufferSize);
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(to, buffer.get(), static_cast<size_t>(got))) return false;
  }
}

}  // namespace

File::File(File&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (is_open()) CloseFile(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

File::~File() {
  if (is_open()) CloseFile(descriptor_);
}

bool File::Close() { return is_open() && CloseFile(std::exchange(descriptor_, -1)); }

bool WriteAll(int fd, const void* bytes, size_t count) {
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const long written = WriteSome(fd, next, count);
    if (written <= 0) {
      if (written == 0) errno = EIO;  // no progress: never loop on it
      return false;
    }
    next += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

bool CopyContent(int from, int to) {
  bool copied_any = false;
  for (;;) {
    const long copied = CopyRange(from, to, kCopyChunk);
    if (copied > 0) {
      copied_any = true;
      continue;
    }
    if (copied == 0) return true;
    // Not supported between these files (other file system, special file
    // system, old kernel, Windows): fall back while nothing is copied yet.
    const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                             errno == EOPNOTSUPP || errno == EPERM;
    if (copied_any || !unsupported) return false;
    return CopyByReading(from, to);
  }
}

}  // namespace inhouse::os
