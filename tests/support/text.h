// String objects in tests: the public holder and reader, under the names
// the tests use.
#ifndef QUENLOFT_TESTS_SUPPORT_TEXT_H
#define QUENLOFT_TESTS_SUPPORT_TEXT_H

#include <string>

#include "quenloft/string_object.h"

namespace quenloft::testing {

using quenloft::Text;
inline std::string TextOf(ICvoString* s) { return ReadString(s); }

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_TEXT_H
