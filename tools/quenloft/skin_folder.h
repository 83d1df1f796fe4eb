// The skin a command works on: the one named, or the stock skin beside the
// library.
#ifndef QUENLOFT_TOOL_SKIN_FOLDER_H
#define QUENLOFT_TOOL_SKIN_FOLDER_H

#include <string>

namespace quenloft_tool {

// The skin's absolute folder with a trailing "/", or "" with *error.
std::string ResolveSkinFolder(const std::string& given, std::string* error);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_FOLDER_H
