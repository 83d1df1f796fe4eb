#include "native_path.h"

namespace corvask {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool ToNativePath(const char* path, std::string* native) {
  if (path == nullptr || *path == '\0') return false;
  if (IsAsciiLetter(path[0]) && path[1] == ':') return false;
  native->assign(path);
  for (char& c : *native)
    if (c == '\\') c = '/';
  return true;
}

std::string NativeFolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

}  // namespace corvask
