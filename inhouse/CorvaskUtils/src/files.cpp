// Files and folders on disk.
#include <sys/stat.h>

#include "CorvaskUtils/CorvaskUtils.h"
#include "native_path.h"
#include "system_calls.h"
#include "temporary_name.h"

using corvask::sys::EntryKind;

namespace {

bool PrepareNativeFolder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (corvask::sys::KindOf(folder) == EntryKind::kFolder) return true;
  // Each ancestor in turn, from the top; the ones that exist refuse.
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    if (folder[slash - 1] == '/') continue;  // "a//b"
    corvask::sys::MakeFolder(folder.substr(0, slash));
  }
  corvask::sys::MakeFolder(folder);
  return corvask::sys::KindOf(folder) == EntryKind::kFolder;
}

}  // namespace

int FileExist(const char* path) {
  std::string native;
  if (!corvask::ToNativePath(path, &native)) return 0;
  return corvask::sys::KindOf(native) == EntryKind::kFile ? 1 : 0;
}

int FolderExist(const char* path) {
  std::string native;
  if (!corvask::ToNativePath(path, &native)) return 0;
  return corvask::sys::KindOf(native) == EntryKind::kFolder ? 1 : 0;
}

int PrepareFolder(const char* folder) {
  std::string native;
  if (!corvask::ToNativePath(folder, &native)) return 0;
  return PrepareNativeFolder(native) ? 1 : 0;
}

int SafeCreateFile(const char* path) {
  std::string native;
  if (!corvask::ToNativePath(path, &native) || native.back() == '/') return 0;
  const std::string folder = corvask::NativeFolderOf(native);
  if (!folder.empty() && !PrepareNativeFolder(folder)) return 0;
  switch (corvask::sys::KindOf(native)) {
    case EntryKind::kFile:
      return corvask::sys::CanOpenForWriting(native) ? 1 : 0;
    case EntryKind::kMissing:
      // Try it for real, then take the file away again.
      if (!corvask::sys::CreateNewFile(native)) return 0;
      corvask::sys::RemoveFile(native);
      return 1;
    default:
      return 0;
  }
}

int ChangeFileAttributeToNormal(const char* path) {
  std::string native;
  uint32_t mode = 0;
  if (!corvask::ToNativePath(path, &native) || !corvask::sys::GetMode(native, &mode)) return 0;
  if ((mode & S_IWUSR) != 0) return 1;
  return corvask::sys::SetMode(native, mode | S_IWUSR) ? 1 : 0;
}

int IsLeftoverTempFileName(const char* name) {
  return name != nullptr && inhouse::IsTemporaryName(name) ? 1 : 0;
}
