// Windows paths: drive letters and network paths name files here. Every
// "\" still becomes "/", which the system calls accept, so the library's
// other code needs only one separator.
#include "native_path.h"

namespace corvask {

bool ToNativePath(const char* path, std::string* native) {
  if (path == nullptr || *path == '\0') return false;
  native->assign(path);
  for (char& c : *native)
    if (c == '\\') c = '/';
  return true;
}

std::string NativeFolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) {
    // "C:name" lies in the current folder of drive C.
    return native.size() >= 2 && native[1] == ':' ? native.substr(0, 2) : std::string();
  }
  if (slash == 0) return "/";
  if (slash == 2 && native[1] == ':') return native.substr(0, 3);  // "C:/"
  return native.substr(0, slash);
}

}  // namespace corvask
