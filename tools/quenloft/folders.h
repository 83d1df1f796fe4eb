// Folder handling of the commands: absolute folder names in the form the
// library wants (trailing separator), and the checks made before a run.
#ifndef QUENLOFT_TOOL_FOLDERS_H
#define QUENLOFT_TOOL_FOLDERS_H

#include <string>

namespace quenloft_tool {

// The path with "/" for every "\\": the library makes them one before it
// touches the disk, so the tool must see the folder the library will use.
std::string WithForwardSlashes(std::string path);
// The absolute, normalised folder with a trailing "/" ("\\" taken as "/").
std::string AbsoluteFolder(const std::string& path);
// True when `folder` is `parent` or lies below it (both from AbsoluteFolder),
// by name, by real path (links resolved as far as the folders exist) or,
// where they exist, by identity.
bool IsSameOrBelow(const std::string& folder, const std::string& parent);
// Creates the folder with its parents and proves that a file can be made in
// it. False with *error (the reason) when not.
bool PrepareWritableFolder(const std::string& folder, std::string* error);
void RemoveFolder(const std::string& folder);
// Removes, below `folder`, the hidden temporary files that an interrupted
// or killed write of the libraries left behind: regular files whose names
// have exactly their form; links are neither followed nor removed.
// Returns how many were removed.
int RemoveLeftoverTemporaryFiles(const std::string& folder);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_FOLDERS_H
