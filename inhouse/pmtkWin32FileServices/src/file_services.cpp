// Copy and delete. A copy is a whole-file write: into a temporary file
// beside the destination, then renamed over it, so a failed copy never
// leaves a partial destination.
#include <cstdint>
#include <string>

#include "os/file.h"
#include "os/native_path.h"
#include "os/replace_file.h"
#include "os/system_calls.h"
#include "pmtkWin32FileServices/FileServices.h"

namespace os = inhouse::os;

namespace {

bool CopyFileAtomically(const std::string& source_path, const std::string& destination) {
  os::File source(os::OpenForReading(source_path));
  uint64_t size = 0;
  uint32_t permissions = 0;
  if (!source.is_open() || !os::RegularFileStatus(source.get(), &size, &permissions)) return false;
  // A new destination gets the source's permissions.
  return os::ReplaceFile(
      destination, [&](int fd) { return os::CopyContent(source.get(), fd, size); }, permissions);
}

}  // namespace

extern "C" PMTK_API int pmtkCopyFile(const char* source, const char* destination, int flags) {
  try {
    std::string from;
    std::string to;
    if (flags != 0 || !os::ToNativePath(source, &from) || !os::ToNativePath(destination, &to))
      return 0;
    return CopyFileAtomically(from, to) ? 1 : 0;
  } catch (...) {
    return 0;  // out of memory
  }
}

extern "C" PMTK_API int pmtkDeleteFile(const char* path) {
  try {
    std::string native;
    return os::ToNativePath(path, &native) && os::RemoveFile(native) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
