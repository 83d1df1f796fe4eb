// The byte-string library's system calls on Windows. A descriptor here is
// a file handle: handles fit in 32 bits on every Windows, and an invalid
// handle is -1 like a failed open.
#define _CRT_RAND_S  // rand_s is declared only on request
#include <stdlib.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include "system_calls.h"

namespace tavlor::sys {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kMaxTransfer = 1u << 30;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }
int DescriptorOf(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(handle));
}

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

}  // namespace

int OpenForReading(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) SetErrnoFromLastError();
  return DescriptorOf(file);
}

bool RegularFileSize(int fd, uint64_t* size) {
  LARGE_INTEGER bytes;
  if (GetFileType(HandleOf(fd)) != FILE_TYPE_DISK || !GetFileSizeEx(HandleOf(fd), &bytes))
    return false;
  *size = static_cast<uint64_t>(bytes.QuadPart);
  return true;
}

long ReadSome(int fd, void* buffer, size_t count) {
  DWORD got = 0;
  const DWORD wanted = count > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(count);
  if (!ReadFile(HandleOf(fd), buffer, wanted, &got, nullptr)) {
    SetErrnoFromLastError();
    return -1;
  }
  return static_cast<long>(got);
}

bool WriteAll(int fd, const void* bytes, size_t count) {
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    DWORD written = 0;
    const DWORD chunk = count > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(count);
    if (!WriteFile(HandleOf(fd), next, chunk, &written, nullptr) || written == 0) {
      SetErrnoFromLastError();
      return false;
    }
    next += written;
    count -= written;
  }
  return true;
}

int CreateExclusive(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) SetErrnoFromLastError();
  return DescriptorOf(file);
}

// Attributes are not carried over: a read-only target cannot be replaced
// on Windows in the first place (see RenameFile).
bool SetFileMode(int, uint32_t) { return true; }

bool CloseFile(int fd) { return CloseHandle(HandleOf(fd)) != 0; }

// Replaces an existing target in one step; the data reach the disk first.
bool RenameFile(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  SetErrnoFromLastError();
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RegularFileMode(const std::string& path, uint32_t* mode) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  *mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  return true;
}

// Symbolic links are rare on Windows and MoveFileEx replaces the link
// itself; the target is written where it is named.
bool ResolveLink(const std::string&, std::string*) { return false; }

uint64_t RandomBits() {
  unsigned int high = 0;
  unsigned int low = 0;
  if (rand_s(&high) == 0 && rand_s(&low) == 0) return (uint64_t{high} << 32) | low;
  static std::atomic<uint64_t> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<uint64_t>(now) * 0x9E3779B97F4A7C15ull +
         counter.fetch_add(1, std::memory_order_relaxed) + GetCurrentProcessId();
}

}  // namespace tavlor::sys
