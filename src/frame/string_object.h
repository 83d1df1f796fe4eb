// Helpers for ICvoString objects: making them and reading them into
// std::string at once (the text pointer is never kept).
//
// String objects may be a host's own, implementing only the slots this
// library calls: SetText, GetLength, Empty and GetText besides the first
// three. These helpers use nothing else.
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

// Sets the text of a string object (ignores null): SetText, or Empty for
// the empty text. The object receives the text up to its first zero byte.
void WriteString(ICvoString* s, const char* text);  // null counts as empty
void WriteString(ICvoString* s, const std::string& text);
void WriteString(ICvoString* s, std::string_view text);

}  // namespace quenloft

#endif  // QUENLOFT_FRAME_STRING_OBJECT_H
