// Path names as text: splitting, full-path test, hashing and comparison.
// Nothing here touches the file system.
#include <cstring>

#include "CorvaskUtils/CorvaskUtils.h"
#include "os/native_path.h"

namespace {

using inhouse::os::IsAsciiLetter;
using inhouse::os::IsSeparator;

// The byte that case-blind, separator-blind comparison sees.
unsigned char PathKeyByte(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
  if (c == '\\') return '/';
  return static_cast<unsigned char>(c);
}

// Length of the leading part of path that matches prefix under the path
// rule, or npos when it does not match.
size_t MatchPathPrefix(const char* path, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (path[i] == '\0' || PathKeyByte(path[i]) != PathKeyByte(prefix[i])) return std::string::npos;
  }
  return i;
}

}  // namespace

void SplitPathName(const char* path, std::string* folder, std::string* name,
                   std::string* extension) {
  const char* text = path == nullptr ? "" : path;
  const size_t length = std::strlen(text);
  // The folder runs through the last separator; a bare drive ("C:name")
  // keeps its drive as the folder.
  size_t name_start = 0;
  for (size_t i = length; i > 0; --i) {
    if (IsSeparator(text[i - 1])) {
      name_start = i;
      break;
    }
  }
  if (name_start == 0 && length >= 2 && IsAsciiLetter(text[0]) && text[1] == ':') name_start = 2;
  const char* last_dot = nullptr;
  for (const char* p = text + name_start; *p != '\0'; ++p)
    if (*p == '.') last_dot = p;
  const char* name_end = last_dot != nullptr ? last_dot : text + length;
  if (folder != nullptr) folder->assign(text, name_start);
  if (name != nullptr) name->assign(text + name_start, name_end);
  if (extension != nullptr) extension->assign(name_end, text + length);
}

std::string GetSplitDirName(const char* path) {
  std::string folder;
  SplitPathName(path, &folder, nullptr, nullptr);
  return folder;
}

std::string GetSplitFileName(const char* path) {
  std::string name;
  SplitPathName(path, nullptr, &name, nullptr);
  return name;
}

std::string GetSplitExtName(const char* path) {
  std::string extension;
  SplitPathName(path, nullptr, nullptr, &extension);
  return extension;
}

int IsFullPathName(const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  if (IsSeparator(path[0])) return 1;  // "/x", "\x" and "\\server\x"
  return IsAsciiLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]) ? 1 : 0;
}

uint32_t FileNameHashCode(const char* path) {
  // FNV-1a over the bytes that path comparison sees.
  uint32_t hash = 2166136261u;
  if (path == nullptr) return hash;
  for (const char* p = path; *p != '\0'; ++p) {
    hash ^= PathKeyByte(*p);
    hash *= 16777619u;
  }
  return hash;
}

bool PathEqualNoCase(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  const size_t matched = MatchPathPrefix(a, b);
  return matched != std::string::npos && a[matched] == '\0';
}

bool PathStartsWithNoCase(const char* path, const char* prefix) {
  if (path == nullptr) path = "";
  if (prefix == nullptr) prefix = "";
  return MatchPathPrefix(path, prefix) != std::string::npos;
}

std::string ExcludeFolder(const char* path, const char* folder) {
  if (path == nullptr) return {};
  if (folder == nullptr || *folder == '\0') return path;
  const size_t matched = MatchPathPrefix(path, folder);
  if (matched == std::string::npos) return path;
  if (IsSeparator(folder[matched - 1])) return path + matched;
  // A folder written without its trailing separator must end at a
  // separator of the path: "/a/b" is no folder of "/a/bc/d".
  if (path[matched] == '\0') return {};
  if (IsSeparator(path[matched])) return path + matched + 1;
  return path;
}
