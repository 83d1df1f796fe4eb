// Path spellings the manager keys its maps by: the Windows way, with every
// slash turned into a backslash; keys are lower-cased (ASCII only).
#ifndef QUENLOFT_MANAGER_PATH_KEYS_H
#define QUENLOFT_MANAGER_PATH_KEYS_H

#include <CorvaskUtils/CorvaskUtils.h>

#include <string>
#include <string_view>

namespace quenloft {

inline std::string WithBackslashes(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

inline std::string PathKey(std::string_view path) {
  return ToLowerAscii(WithBackslashes(path).c_str());
}

// True when a component of the path, either separator, is "..".
inline bool ClimbsOut(std::string_view path) {
  for (size_t at = path.find(".."); at != std::string_view::npos; at = path.find("..", at + 1)) {
    const bool starts = at == 0 || path[at - 1] == '\\' || path[at - 1] == '/';
    const bool ends = at + 2 == path.size() || path[at + 2] == '\\' || path[at + 2] == '/';
    if (starts && ends) return true;
  }
  return false;
}

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_PATH_KEYS_H
