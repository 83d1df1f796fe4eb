// The skin a command works on: the one named, or the stock skin beside the
// library.
#ifndef QUENLOFT_TOOL_SKIN_FOLDER_H
#define QUENLOFT_TOOL_SKIN_FOLDER_H

#include <string>

#include "folder_source.h"
#include "skin_filter.h"

namespace quenloft_tool {

// The skin's absolute folder with a trailing "/", or "" with *error.
std::string ResolveSkinFolder(const std::string& given, std::string* error);

// The skin folder as messages show it: as the user wrote it (the resolved
// folder when none was given), with a trailing "/".
std::string ShownSkinFolder(const std::string& given, const std::string& resolved);

// The files of the skin (see ListSkinFiles) that the filter takes, with a
// warning on stderr for each link left out because it leads outside the
// skin.
SkinListing ListSkinWithWarnings(const std::string& skin, bool follow_links,
                                 const SkinFilter& filter);

// The whole content of a file of the skin (or of its copy); "" when it
// cannot be read.
std::string ReadSkinFile(const std::string& path);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_FOLDER_H
