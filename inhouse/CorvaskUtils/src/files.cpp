// Files and folders on disk.
#include "CorvaskUtils/CorvaskUtils.h"
#include "os/file.h"
#include "os/native_path.h"
#include "os/system_calls.h"
#include "os/temporary_name.h"

namespace os = inhouse::os;

namespace {

os::EntryKind KindOf(const std::string& native) { return os::StatusOf(native).kind; }

bool PrepareNativeFolder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (KindOf(folder) == os::EntryKind::kFolder) return true;
  // Each ancestor in turn, from the top; the ones that exist refuse.
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    if (folder[slash - 1] == '/') continue;  // "a//b"
    os::MakeFolder(folder.substr(0, slash));
  }
  os::MakeFolder(folder);
  return KindOf(folder) == os::EntryKind::kFolder;
}

// Nonzero when path names an entry of that kind.
int IsKind(const char* path, os::EntryKind kind) try {
  std::string native;
  return os::ToNativePath(path, &native) && KindOf(native) == kind ? 1 : 0;
} catch (...) {
  return 0;  // out of memory
}

}  // namespace

int FileExist(const char* path) { return IsKind(path, os::EntryKind::kFile); }

int FolderExist(const char* path) { return IsKind(path, os::EntryKind::kFolder); }

int PrepareFolder(const char* folder) try {
  std::string native;
  return os::ToNativePath(folder, &native) && PrepareNativeFolder(native) ? 1 : 0;
} catch (...) {
  return 0;  // out of memory
}

int SafeCreateFile(const char* path) try {
  std::string native;
  if (!os::ToNativePath(path, &native) || native.back() == '/') return 0;
  const std::string folder = os::NativeFolderOf(native);
  if (!folder.empty() && !PrepareNativeFolder(folder)) return 0;
  switch (KindOf(native)) {
    case os::EntryKind::kFile:
      return os::CanOpenForWriting(native) ? 1 : 0;
    case os::EntryKind::kMissing: {
      // Try it for real, then take the file away again.
      os::File created(os::CreateExclusive(native));
      if (!created.is_open()) return 0;
      created.Close();
      os::RemoveFile(native);
      return 1;
    }
    default:
      return 0;
  }
} catch (...) {
  return 0;  // out of memory
}

int ChangeFileAttributeToNormal(const char* path) try {
  std::string native;
  if (!os::ToNativePath(path, &native)) return 0;
  const os::EntryStatus status = os::StatusOf(native);
  if (status.kind == os::EntryKind::kMissing) return 0;
  if ((status.permissions & os::kOwnerWrite) != 0) return 1;
  return os::SetPermissions(native, status.permissions | os::kOwnerWrite) ? 1 : 0;
} catch (...) {
  return 0;  // out of memory
}

int IsLeftoverTempFileName(const char* name) {
  return name != nullptr && os::IsTemporaryName(name) ? 1 : 0;
}
