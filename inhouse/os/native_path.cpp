#include "os/native_path.h"

namespace inhouse::os {
namespace {

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}

}  // namespace

bool ToNativePath(const char* path, std::string* native) {
  if (path == nullptr || *path == '\0') return false;
  native->assign(path);
  if (!kDriveLettersNameFiles && HasDriveLetter(*native)) return false;
  for (char& c : *native)
    if (c == '\\') c = '/';
  return true;
}

std::string NativeFolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (kDriveLettersNameFiles && HasDriveLetter(native)) {
    if (slash == std::string::npos) return native.substr(0, 2);  // "C:name"
    if (slash == 2) return native.substr(0, 3);                  // "C:/name"
  }
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

}  // namespace inhouse::os
