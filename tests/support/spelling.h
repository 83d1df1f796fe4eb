// Other spellings of a path that name the same file on Windows: forward
// slashes turned into backslashes, ASCII letters in upper case.
#ifndef QUENLOFT_TESTS_SUPPORT_SPELLING_H
#define QUENLOFT_TESTS_SUPPORT_SPELLING_H

#include <algorithm>
#include <string>

namespace quenloft::testing {

inline std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

inline std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_SPELLING_H
