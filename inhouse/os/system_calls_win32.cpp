// The Windows services. Paths arrive with "/" separators (the temporary
// folder with "\"); every call used here takes both.
#define _CRT_RAND_S  // rand_s is declared only on request
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "os/clock_and_random.h"
#include "os/fault_injection.h"
#include "os/system_calls.h"

namespace inhouse::os {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNotNormal = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kMaxTransfer = 1u << 30;
constexpr int kNameAttempts = 100;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }

// The callers look at errno to tell a name taken from other failures.
void SetErrnoFromLastError() {
  switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    default: errno = EACCES; break;
  }
}

int Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return -1;
  }
  return static_cast<int>(reinterpret_cast<intptr_t>(file));
}

// ReadFile or WriteFile of at most 1 GiB: bytes moved, or -1.
template <class Buffer, class Transfer>
long Moved(int fd, Buffer buffer, size_t count, Transfer transfer) {
  DWORD moved = 0;
  const size_t wanted = INHOUSE_OS_LIMIT(count > kMaxTransfer ? kMaxTransfer : count);
  if (!transfer(HandleOf(fd), buffer, static_cast<DWORD>(wanted), &moved, nullptr)) {
    SetErrnoFromLastError();
    return -1;
  }
  return static_cast<long>(moved);
}

uint32_t PermissionsOf(DWORD attributes) { return (attributes & kNotNormal) == 0 ? 0666 : 0444; }

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// "C:", "C:/" and "//server/share" (and the empty path) name whole volumes
// or the current folder of a drive: no tree walk ever starts there.
bool IsVolumeRoot(const std::string& path) {
  if (path.empty()) return true;
  if (path.size() <= 3 && path.size() >= 2 && path[1] == ':') return true;
  if (path.size() > 2 && IsSlash(path[0]) && IsSlash(path[1])) {
    const size_t server_end = path.find_first_of("/\\", 2);
    if (server_end == std::string::npos) return true;
    const size_t share_end = path.find_first_of("/\\", server_end + 1);
    return share_end == std::string::npos || share_end + 1 == path.size();
  }
  return false;
}

// Removes the entry and what is below it; a folder that is a reparse point
// (a link or junction) is removed as itself, never entered.
bool RemoveEntry(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & kNotNormal) != 0) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DeleteFileA(path.c_str()) != 0;
  bool ok = true;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "/*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        ok = RemoveEntry(path + "/" + name) && ok;
      } while (FindNextFileA(find, &entry));
      FindClose(find);
    }
  }
  return RemoveDirectoryA(path.c_str()) != 0 && ok;
}

}  // namespace

EntryStatus StatusOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  const EntryKind kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kFolder
                         : (attributes & FILE_ATTRIBUTE_DEVICE) != 0  ? EntryKind::kOther
                                                                      : EntryKind::kFile;
  return {kind, PermissionsOf(attributes)};
}

bool SetPermissions(const std::string& path, uint32_t permissions) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  DWORD wanted = attributes;
  if ((permissions & kOwnerWrite) != 0) wanted &= ~kNotNormal;
  else wanted |= FILE_ATTRIBUTE_READONLY;
  if (wanted == attributes) return true;
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesA(path.c_str(), wanted) != 0;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool CanOpenForWriting(const std::string& path) {
  const int fd = Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  if (fd < 0) return false;
  CloseHandle(HandleOf(fd));
  return true;
}

bool RemoveFile(const std::string& path) {
  return !INHOUSE_OS_FAILS(kRemove) && DeleteFileA(path.c_str()) != 0;
}

bool RemoveTree(const std::string& path) { return !IsVolumeRoot(path) && RemoveEntry(path); }

bool MakeUniqueFolder(std::string* templ) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  constexpr size_t kSuffix = 6;
  if (templ->size() < kSuffix || templ->compare(templ->size() - kSuffix, kSuffix, "XXXXXX") != 0)
    return false;
  const size_t start = templ->size() - kSuffix;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    uint64_t bits = RandomBits();
    for (size_t i = 0; i < kSuffix; ++i) {
      (*templ)[start + i] = kAlphabet[bits % (sizeof kAlphabet - 1)];
      bits /= sizeof kAlphabet - 1;
    }
    if (CreateDirectoryA(templ->c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

std::string TemporaryFolder() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, buffer);
  if (length == 0 || length > MAX_PATH) return {};
  std::string folder(buffer, length);
  while (folder.size() > 3 && IsSlash(folder.back())) folder.pop_back();
  return folder;
}

EntryStatus StatusOfEntry(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return {EntryKind::kOther, 0};
  return StatusOf(path);
}

// The data reach the disk before the name moves.
bool RenameOver(const std::string& from, const std::string& to) {
  if (INHOUSE_OS_FAILS(kRename)) return false;
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  SetErrnoFromLastError();
  return false;
}

int OpenForReading(const std::string& path) {
  return Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
}

int CreateExclusive(const std::string& path) {
  if (INHOUSE_OS_FAILS(kCreate)) return -1;
  return Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
}

bool RegularFileStatus(int fd, uint64_t* size, uint32_t* permissions) {
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(HandleOf(fd)) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(HandleOf(fd), &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  *size = (uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  *permissions = PermissionsOf(information.dwFileAttributes);
  return true;
}

bool SetFilePermissions(int, uint32_t) { return true; }

long ReadSome(int fd, void* buffer, size_t count) {
  return INHOUSE_OS_FAILS(kRead) ? -1 : Moved(fd, buffer, count, ReadFile);
}

long WriteSome(int fd, const void* bytes, size_t count) {
  return INHOUSE_OS_FAILS(kWrite) ? -1 : Moved(fd, bytes, count, WriteFile);
}

// No in-kernel copy between two open handles: the caller reads and writes.
long CopyRange(int, int, size_t) {
  if (!INHOUSE_OS_FAILS(kWrite)) errno = ENOSYS;
  return -1;
}

bool CloseFile(int fd) {
  if (INHOUSE_OS_FAILS(kClose)) {
    CloseHandle(HandleOf(fd));
    return false;
  }
  return CloseHandle(HandleOf(fd)) != 0;
}

bool CloneFile(int, int) {
  errno = ENOSYS;
  return false;
}

uint64_t NextData(int, uint64_t offset, uint64_t size) { return std::min(offset, size); }

uint64_t NextHole(int, uint64_t, uint64_t size) { return size; }

bool SeekTo(int fd, uint64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(HandleOf(fd), distance, nullptr, FILE_BEGIN) != 0;
}

bool SetFileSize(int fd, uint64_t size) {
  if (INHOUSE_OS_FAILS(kWrite)) return false;
  return SeekTo(fd, size) && SetEndOfFile(HandleOf(fd)) != 0;
}

bool SystemRandomBits(uint64_t* bits) {
  unsigned int high = 0;
  unsigned int low = 0;
  if (rand_s(&high) != 0 || rand_s(&low) != 0) return false;
  *bits = (uint64_t{high} << 32) | low;
  return true;
}

uint64_t ProcessId() { return GetCurrentProcessId(); }

}  // namespace inhouse::os
