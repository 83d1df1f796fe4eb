// Escape removal: outside quotes, a backslash followed by "%", "\", '"' or
// "'" becomes its second byte; quoted stretches are copied unchanged,
// escapes included.
#ifndef QUENLOFT_PATCHING_ESCAPES_H
#define QUENLOFT_PATCHING_ESCAPES_H

#include <string>
#include <string_view>

namespace quenloft {

// The range [first, last], both included; empty when either is null or
// first lies after last.
std::string RemoveEscapes(const char* first, const char* last);
// The whole zero-terminated text; empty for null.
std::string RemoveEscapes(const char* text);
std::string RemoveEscapes(std::string_view text);

// True for the four bytes a backslash escapes.
constexpr bool IsEscapable(char c) { return c == '%' || c == '\\' || c == '"' || c == '\''; }

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_ESCAPES_H
