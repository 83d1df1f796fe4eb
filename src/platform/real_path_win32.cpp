// RealPath on Windows: the full path as every file call would normalise it
// ("." and ".." resolved lexically), then the final path of its deepest
// existing entry, which resolves links and junctions.
#include <windows.h>

#include <vector>

#include "platform/real_path.h"

namespace quenloft::platform {

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "\...", "\\server\share..." and "C:\..."; a drive-relative "C:x" is not.
bool IsFull(const std::string& path) {
  if (!path.empty() && IsSlash(path[0])) return true;
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSlash(path[2]);
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Where the root of a normalised full path ends: after "C:\" or after
// "\\server\share\".
size_t RootLength(const std::string& full) {
  if (full.size() >= 2 && full[0] == '\\' && full[1] == '\\') {
    size_t at = full.find('\\', 2);
    if (at != std::string::npos) at = full.find('\\', at + 1);
    return at == std::string::npos ? full.size() : at + 1;
  }
  return full.size() >= 3 ? 3 : full.size();
}

std::optional<std::string> FullPathOf(const std::string& path) {
  const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::string full(size, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return std::nullopt;
  full.resize(length);
  while (full.size() > RootLength(full) && full.back() == '\\') full.pop_back();
  return full;
}

// The final path of an existing entry, without the "\\?\" prefix.
std::optional<std::string> FinalPathOf(const std::string& existing) {
  const HANDLE handle =
      CreateFileA(existing.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string final(MAX_PATH, '\0');
  DWORD length = GetFinalPathNameByHandleA(handle, final.data(), MAX_PATH, VOLUME_NAME_DOS);
  if (length >= MAX_PATH) {
    final.resize(length);
    length = GetFinalPathNameByHandleA(handle, final.data(), length, VOLUME_NAME_DOS);
  }
  CloseHandle(handle);
  if (length == 0 || length > final.size()) return std::nullopt;
  final.resize(length);
  if (final.rfind("\\\\?\\UNC\\", 0) == 0) {
    final.replace(0, 8, "\\\\");
  } else if (final.rfind("\\\\?\\", 0) == 0) {
    final.erase(0, 4);
  }
  while (final.size() > RootLength(final) && final.back() == '\\') final.pop_back();
  return final;
}

}  // namespace

std::optional<std::string> RealPath(std::string_view path, LastLink last) {
  std::string given(path);
  for (char& c : given) {
    if (c == '/') c = '\\';
  }
  if (!IsFull(given)) return std::nullopt;
  const std::optional<std::string> full = FullPathOf(given);
  if (!full) return std::nullopt;

  // Cut the path into its existing part and the rest; the last component
  // stays in the rest when a link there is to be kept.
  const size_t root = RootLength(*full);
  std::string existing = *full;
  std::vector<std::string> rest;
  const auto move_last = [&] {
    const size_t slash = existing.rfind('\\');
    if (slash == std::string::npos || existing.size() <= root) return false;
    rest.push_back(existing.substr(slash + 1));
    existing.erase(slash + 1 > root ? slash : root);
    return true;
  };
  if (last == LastLink::kKeep) move_last();
  while (GetFileAttributesA(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (!move_last()) return std::nullopt;
  }
  std::optional<std::string> real = FinalPathOf(existing);
  if (!real) return std::nullopt;
  for (auto part = rest.rbegin(); part != rest.rend(); ++part) {
    if (real->back() != '\\') *real += '\\';
    *real += *part;
  }
  return real;
}

std::string WorkingFolder() {
  const DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return {};
  std::string folder(size, '\0');
  const DWORD length = GetCurrentDirectoryA(size, folder.data());
  if (length == 0 || length >= size) return {};
  folder.resize(length);
  return folder;
}

bool IsWithin(std::string_view real_path, std::string_view real_folder) {
  if (real_folder.empty() || real_path.size() < real_folder.size()) return false;
  for (size_t i = 0; i < real_folder.size(); ++i) {
    if (Fold(real_path[i]) != Fold(real_folder[i])) return false;
  }
  return real_path.size() == real_folder.size() || real_folder.back() == '\\' ||
         real_path[real_folder.size()] == '\\';
}

bool IsSymbolicLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::optional<uint64_t> RegularFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace quenloft::platform
