// Escape removal: outside quotes, a backslash followed by "%", "\", '"' or
// "'" becomes its second byte; quoted stretches are copied unchanged,
// escapes included.
#ifndef QUENLOFT_LANGUAGE_ESCAPES_H
#define QUENLOFT_LANGUAGE_ESCAPES_H

#include <string>
#include <string_view>

namespace quenloft {

std::string RemoveEscapes(std::string_view text);
// The same into *out, replacing its content (and keeping its buffer).
void RemoveEscapes(std::string_view text, std::string* out);

// True for the four bytes a backslash escapes.
constexpr bool IsEscapable(char c) { return c == '%' || c == '\\' || c == '"' || c == '\''; }

}  // namespace quenloft

#endif  // QUENLOFT_LANGUAGE_ESCAPES_H
