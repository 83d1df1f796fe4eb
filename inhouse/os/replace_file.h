// Whole-file replacement that never leaves a half-written target: every
// whole-file write of the in-house libraries goes through here.
#ifndef INHOUSE_OS_REPLACE_FILE_H
#define INHOUSE_OS_REPLACE_FILE_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace inhouse::os {

// Writes the new content into an open file; false when it could not.
using FillFile = std::function<bool(int fd)>;

// Replaces the file at target (a native path; a symbolic link there is
// replaced, not written through): fill writes a new temporary file beside
// it (TemporaryPathBeside), which is then renamed over the target. An
// existing target file keeps its permissions; a new one (or one replacing
// a link) gets new_file_permissions, or 0666 less umask without them. On failure the temporary file is removed
// and the target is as it was. Missing folders are not made.
// added_permissions join whichever permissions are set (kOwnerWrite: the
// result stays writable by its owner, with no look at it afterwards).
bool ReplaceFile(const std::string& target, const FillFile& fill,
                 std::optional<uint32_t> new_file_permissions = std::nullopt,
                 uint32_t added_permissions = 0);

}  // namespace inhouse::os

#endif  // INHOUSE_OS_REPLACE_FILE_H
