// The paths the file functions work on: a path argument made whole, and
// whether two paths name one file.
#ifndef QUENLOFT_FUNCTIONS_PATH_ARGUMENT_H
#define QUENLOFT_FUNCTIONS_PATH_ARGUMENT_H

#include <string>

#include "quenloft/interfaces.h"

namespace quenloft {

// A path argument made whole. A full path stands as it is; otherwise the
// folder kind (ASCII case ignored) chooses the folder put in front of it:
// "source", "result" and "root" the System folder values (through the
// manager; none without one), "hostitself" the file name of the patched
// file that owns the call in place of the path, any other kind the folder
// of that file. Folder values end with a separator, so none is inserted.
// Slashes become backslashes.
std::string ResolvePathArgument(const std::string& path, const std::string& kind,
                                ITplMacroCall* call, ITplManager* manager);

// True when both paths name one existing file (a link or another spelling
// of the same path).
bool SameFile(std::string a, std::string b);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_PATH_ARGUMENT_H
