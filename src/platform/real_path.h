// Where a path really leads on disk, for the checks that keep file access
// inside allowed folders. Paths may use either separator.
#ifndef QUENLOFT_PLATFORM_REAL_PATH_H
#define QUENLOFT_PLATFORM_REAL_PATH_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quenloft::platform {

// What happens to a symbolic link in the last component of a path.
enum class LastLink {
  kFollow,  // a read goes where the link leads
  kKeep,    // a write replaces the link itself
};

// The real path of a full path ("\" and "/" alike; on Windows also with a
// drive or a network share): "." and ".." resolved and every symbolic link
// followed as far as the entries exist, that is the real path of the
// deepest existing folder, with the part that does not exist yet appended
// as written. Native separators, no trailing one (but the root's).
// Nothing for a relative path, and for one that cannot be resolved: a
// link loop, a dangling link before the last component, a folder that
// cannot be searched. ".." goes where the operating system would take it:
// on POSIX to the parent of where a link led, on Windows lexically.
std::optional<std::string> RealPath(std::string_view path, LastLink last);

// The process's working folder, as a full path; empty when unknown.
std::string WorkingFolder();

// True when real_path is real_folder or lies below it; both come from
// RealPath. ASCII case is ignored on Windows.
bool IsWithin(std::string_view real_path, std::string_view real_folder);

// True when a symbolic link (on Windows any reparse point) stands at path.
bool IsSymbolicLink(const std::string& path);

// The size of the regular file at path (links followed); nothing when
// there is none.
std::optional<uint64_t> RegularFileSize(const std::string& path);

}  // namespace quenloft::platform

#endif  // QUENLOFT_PLATFORM_REAL_PATH_H
