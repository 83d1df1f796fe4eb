// Whole-file replacement that never leaves a half-written target.
#ifndef TAVLOR_SRC_ATOMIC_FILE_H
#define TAVLOR_SRC_ATOMIC_FILE_H

#include <cstddef>
#include <string>

namespace tavlor {

// The path with every "\" turned into "/"; false for null, empty and
// drive-letter paths ("C:\x"), which name no file here.
bool ToNativePath(const char* path, std::string* native);

// Writes bytes to a new temporary file beside target and renames it over
// target (through a symbolic link, the file it names). An existing
// target's permissions are kept. On failure the temporary file is removed
// and target is as it was.
bool ReplaceFileContent(const std::string& target, const char* bytes, size_t count);

}  // namespace tavlor

#endif  // TAVLOR_SRC_ATOMIC_FILE_H
