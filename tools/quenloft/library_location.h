// Where the library and its stock skin are on disk.
#ifndef QUENLOFT_TOOL_LIBRARY_LOCATION_H
#define QUENLOFT_TOOL_LIBRARY_LOCATION_H

#include <string>

namespace quenloft_tool {

// The folder of the loaded libquenloft, with a trailing "/"; "" if unknown.
std::string LibraryFolder();
// The stock skin in the extension folder beside the library:
// <library folder>/Pelion5Ext/template_skin/.
std::string StockSkinFolder();
// The tool's own executable.
std::string ToolPath();

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_LIBRARY_LOCATION_H
