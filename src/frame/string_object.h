// Helpers for ICvoString objects: making them and reading them into
// std::string at once (the text pointer is never kept).
#ifndef QUENLOFT_FRAME_STRING_OBJECT_H
#define QUENLOFT_FRAME_STRING_OBJECT_H

#include <string>
#include <string_view>

#include "frame/com_ptr.h"

namespace quenloft {

// A new, empty string object; null when it cannot be made.
ComPtr<ICvoString> NewString();

// The text of a string object; empty for null.
std::string ReadString(ICvoString* s);

// Sets the text of a string object (ignores null). The view may hold any
// bytes; the object receives them up to the first zero byte.
void WriteString(ICvoString* s, std::string_view text);

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_STRING_OBJECT_H
