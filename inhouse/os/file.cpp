#include "os/file.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "os/system_calls.h"

namespace inhouse::os {
namespace {

constexpr size_t kCopyChunk = 1 << 30;
constexpr size_t kBufferSize = 64 * 1024;

// The kernel cannot copy between these files (other file system, special
// file system, old kernel, Windows).
bool KernelCannotCopy() {
  return errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
         errno == EPERM;
}

// Copies count bytes from the current positions (fewer when from ends
// first): in the kernel while it can, else by reading and writing.
bool CopySpan(int from, int to, uint64_t count, bool* in_kernel) {
  std::unique_ptr<char[]> buffer;
  bool copied_any = false;
  while (count > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(count, kCopyChunk));
    long moved = -1;
    if (*in_kernel) {
      moved = CopyRange(from, to, chunk);
      // Falling back is safe only while the kernel has moved nothing.
      if (moved < 0 && !copied_any && KernelCannotCopy()) {
        *in_kernel = false;
        continue;
      }
    } else {
      if (!buffer) buffer.reset(new char[kBufferSize]);
      moved = ReadSome(from, buffer.get(), std::min(chunk, kBufferSize));
      if (moved > 0 && !WriteAll(to, buffer.get(), static_cast<size_t>(moved))) return false;
    }
    if (moved < 0) return false;
    if (moved == 0) return true;
    copied_any = true;
    count -= static_cast<uint64_t>(moved);
  }
  return true;
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

bool CopyContent(int from, int to, uint64_t size) {
  if (CloneFile(from, to)) return true;
  // Only the data ranges are copied: a hole stays a hole, and the length
  // set at the end keeps a hole at the end.
  bool in_kernel = true;
  for (uint64_t offset = NextData(from, 0, size); offset < size;
       offset = NextData(from, offset, size)) {
    const uint64_t hole = NextHole(from, offset, size);
    if (!SeekTo(from, offset) || !SeekTo(to, offset) ||
        !CopySpan(from, to, hole - offset, &in_kernel))
      return false;
    offset = hole;
  }
  return SetFileSize(to, size);
}

}  // namespace inhouse::os
