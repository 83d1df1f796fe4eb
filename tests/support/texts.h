// Texts that tests compare: result codes in call order as one line, the
// message a host sees for a statement that does not resolve, and other
// spellings of a path that name the same file on Windows.
#ifndef QUENLOFT_TESTS_SUPPORT_TEXTS_H
#define QUENLOFT_TESTS_SUPPORT_TEXTS_H

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace quenloft::testing {

// Codes({0, 1, 1}) is "0,1,1"; a braced list is evaluated left to right.
inline std::string Codes(std::initializer_list<int32_t> codes) {
  std::string out;
  for (int32_t code : codes) out += (out.empty() ? "" : ",") + std::to_string(code);
  return out;
}

// Outside any file, and inside the file named.
inline std::string Unresolved(const std::string& statement) {
  return "Template Error: can not resolve macro: " + statement + " \r\n";
}
inline std::string UnresolvedIn(const std::string& statement, const std::string& file) {
  return "Template Error: can not resolve macro: " + statement + " in " + file + "\r\n";
}

inline std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
// ASCII letters only, as the library folds them.
inline std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_TEXTS_H
