// The message a host sees for a statement that does not resolve, outside
// any file and inside the file named.
#ifndef QUENLOFT_TESTS_SUPPORT_MESSAGES_H
#define QUENLOFT_TESTS_SUPPORT_MESSAGES_H

#include <string>

namespace quenloft::testing {

inline std::string Unresolved(const std::string& statement) {
  return "Template Error: can not resolve macro: " + statement + " \r\n";
}
inline std::string UnresolvedIn(const std::string& statement, const std::string& file) {
  return "Template Error: can not resolve macro: " + statement + " in " + file + "\r\n";
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_MESSAGES_H
