// The utilities library's system calls on Windows. Paths arrive with "/"
// separators (the temporary folder with "\"); every call used here takes
// both.
// rand_s is declared only on request.
#define _CRT_RAND_S
#include <stdlib.h>
#include <windows.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>

#include "system_calls.h"

namespace corvask::sys {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNotNormal = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr int kNameAttempts = 100;

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

EntryKind KindOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kMissing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::kFolder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::kOther;
  return EntryKind::kFile;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool CanOpenForWriting(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool CreateNewFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

// Windows has attributes, not permission bits: a file counts as writable by
// its owner exactly when it is neither read-only, hidden nor a system file.
bool GetMode(const std::string& path, uint32_t* mode) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  uint32_t bits = S_IRUSR;
  if ((attributes & kNotNormal) == 0) bits |= S_IWUSR;
  bits |= (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? S_IFDIR : S_IFREG;
  *mode = bits;
  return true;
}

bool SetMode(const std::string& path, uint32_t mode) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  DWORD wanted = attributes;
  if ((mode & S_IWUSR) != 0) wanted &= ~kNotNormal;
  else wanted |= FILE_ATTRIBUTE_READONLY;
  if (wanted == attributes) return true;
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesA(path.c_str(), wanted) != 0;
}

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
  // Without its trailing separator, as on POSIX.
  std::string folder(buffer, length);
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

bool RemoveTree(const std::string& path) {
  if (IsVolumeRoot(path)) return false;
  return RemoveEntry(path);
}

uint64_t RandomBits() {
  unsigned int high = 0;
  unsigned int low = 0;
  if (rand_s(&high) == 0 && rand_s(&low) == 0) return (uint64_t{high} << 32) | low;
  // No random source: the clock and a counter still make names differ.
  static std::atomic<uint64_t> counter{0};
  return static_cast<uint64_t>(MonotonicNanoseconds()) * 0x9E3779B97F4A7C15ull +
         counter.fetch_add(1, std::memory_order_relaxed) + GetCurrentProcessId();
}

int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace corvask::sys
