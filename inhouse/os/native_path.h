// The family's paths (either separator) as the operating system takes them.
#ifndef INHOUSE_OS_NATIVE_PATH_H
#define INHOUSE_OS_NATIVE_PATH_H

#include <string>

namespace inhouse::os {

#ifdef _WIN32
inline constexpr bool kDriveLettersNameFiles = true;
inline constexpr char kPreferredSeparator = '\\';  // in paths handed to hosts
#else
inline constexpr bool kDriveLettersNameFiles = false;
inline constexpr char kPreferredSeparator = '/';
#endif

inline bool IsSeparator(char c) { return c == '/' || c == '\\'; }
inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The path with every "\" turned into "/" (Windows takes "/" as well, so
// the code above needs only one separator). False, and nothing to call the
// system with, for null and empty paths, and on POSIX for drive-letter
// paths such as "C:\x", which name no file there.
bool ToNativePath(const char* path, std::string* native);

// The folder part of a native path: "" when it has none, "/" for a file in
// the root, and on Windows "C:" or "C:/" for a file of a drive's current
// or root folder.
std::string NativeFolderOf(const std::string& native);

}  // namespace inhouse::os

#endif  // INHOUSE_OS_NATIVE_PATH_H
