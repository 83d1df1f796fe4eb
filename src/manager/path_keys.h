// Path spellings the manager keys its maps by: the Windows way, with every
// slash turned into a backslash; keys are lower-cased (ASCII only).
#ifndef QUENLOFT_MANAGER_PATH_KEYS_H
#define QUENLOFT_MANAGER_PATH_KEYS_H

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
  std::string out(path);
  for (char& c : out) {
    if (c == '/') {
      c = '\\';
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

}  // namespace quenloft

#endif  // QUENLOFT_MANAGER_PATH_KEYS_H
