// Result codes in call order as one text, so that a run of calls is
// checked in one comparison.
#ifndef QUENLOFT_TESTS_SUPPORT_CODES_H
#define QUENLOFT_TESTS_SUPPORT_CODES_H

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

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_CODES_H
