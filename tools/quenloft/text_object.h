// String objects the tool hands to the library.
#ifndef QUENLOFT_TOOL_TEXT_OBJECT_H
#define QUENLOFT_TOOL_TEXT_OBJECT_H

#include <string>

#include "ref.h"

namespace quenloft_tool {

// A new string object holding `text`; null only when out of memory.
Ref<ICvoString> MakeText(const std::string& text = {});
// The content of a string object ("" for null).
std::string ReadText(ICvoString* text);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_TEXT_OBJECT_H
