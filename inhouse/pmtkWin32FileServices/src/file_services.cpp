// Copy through a temporary file beside the destination, then rename: a
// failed copy never leaves a partial destination.
#include <cerrno>
#include <cstdint>
#include <memory>
#include <utility>

#include "pmtkWin32FileServices/FileServices.h"
#include "system_calls.h"
#include "temporary_name.h"

namespace {

constexpr int kNameAttempts = 100;
constexpr size_t kCopyChunk = 1 << 30;
constexpr size_t kBufferSize = 64 * 1024;

bool ToNativePath(const char* path, std::string* native) {
  if (path == nullptr || *path == '\0') return false;
#ifndef _WIN32
  const bool drive = ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')) &&
                     path[1] == ':';
  if (drive) return false;  // names no file here
#endif
  native->assign(path);
  for (char& c : *native)
    if (c == '\\') c = '/';
  return true;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) pmtk::sys::CloseFile(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports whether the data reached the file.
  bool Close() { return pmtk::sys::CloseFile(std::exchange(fd_, -1)); }

 private:
  int fd_;
};

// Plain read and write, for files the kernel cannot copy in place.
bool CopyByReading(int from, int to) {
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    const long got = pmtk::sys::ReadSome(from, buffer.get(), kBufferSize);
    if (got < 0) return false;
    if (got == 0) return true;
    if (!pmtk::sys::WriteAll(to, buffer.get(), static_cast<size_t>(got))) return false;
  }
}

bool CopyContent(int from, int to) {
  bool copied_any = false;
  for (;;) {
    const long copied = pmtk::sys::CopyRange(from, to, kCopyChunk);
    if (copied > 0) {
      copied_any = true;
      continue;
    }
    if (copied == 0) return true;
    // Not supported between these files (other file system, special file
    // system, old kernel): fall back while nothing has been copied yet.
    const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                             errno == EOPNOTSUPP || errno == EPERM;
    if (copied_any || !unsupported) return false;
    return CopyByReading(from, to);
  }
}

bool CopyFileAtomically(const std::string& source_path, const std::string& destination_path) {
  Descriptor source(pmtk::sys::OpenForReading(source_path));
  uint32_t mode = 0;
  if (source.get() < 0 || !pmtk::sys::RegularFileModeOf(source.get(), &mode)) return false;

  std::string destination = destination_path;
  std::string resolved;
  if (pmtk::sys::ResolveLink(destination, &resolved)) destination = resolved;
  // An existing destination keeps its permissions; a new one gets the
  // source's.
  pmtk::sys::RegularFileMode(destination, &mode);

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    temporary = inhouse::TemporaryPathBeside(destination, pmtk::sys::RandomBits());
    fd = pmtk::sys::CreateExclusive(temporary);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  Descriptor copy(fd);
  bool ok = pmtk::sys::SetFileMode(copy.get(), mode) && CopyContent(source.get(), copy.get());
  ok = copy.Close() && ok;
  ok = ok && pmtk::sys::RenameFile(temporary, destination);
  if (!ok) pmtk::sys::RemoveFile(temporary);
  return ok;
}

}  // namespace

extern "C" PMTK_API int pmtkCopyFile(const char* source, const char* destination, int flags) {
  try {
    std::string from;
    std::string to;
    if (flags != 0 || !ToNativePath(source, &from) || !ToNativePath(destination, &to) ||
        to.back() == '/')
      return 0;
    return CopyFileAtomically(from, to) ? 1 : 0;
  } catch (...) {
    return 0;  // out of memory
  }
}

extern "C" PMTK_API int pmtkDeleteFile(const char* path) {
  try {
    std::string native;
    if (!ToNativePath(path, &native)) return 0;
    return pmtk::sys::RemoveFile(native) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
