// Turning the family's paths into paths the operating system understands.
#ifndef CORVASKUTILS_SRC_NATIVE_PATH_H
#define CORVASKUTILS_SRC_NATIVE_PATH_H

#include <string>

namespace corvask {

inline bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The path with every "\" turned into "/". False (and nothing to call the
// system with) for null, empty and drive-letter paths such as "C:\x",
// which name no file here.
bool ToNativePath(const char* path, std::string* native);

// The native folder part of a native path ("" when it has none; "/" for a
// file in the root).
std::string NativeFolderOf(const std::string& native);

}  // namespace corvask

#endif  // CORVASKUTILS_SRC_NATIVE_PATH_H
