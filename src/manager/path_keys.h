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

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_PATH_KEYS_H
