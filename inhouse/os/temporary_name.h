// The name of the temporary file that a whole-file write (ReplaceFile)
// fills beside its target before renaming it over the target: hidden, and
// marked so that a later run can tell it apart from every file of a user
// and remove the ones a killed process left behind:
//
//   "." + the target's file name (its first 64 bytes) + ".quenloft-tmp-"
//       + 8 characters of [a-z0-9]
#ifndef INHOUSE_OS_TEMPORARY_NAME_H
#define INHOUSE_OS_TEMPORARY_NAME_H

#include <cstdint>
#include <string>
#include <string_view>

namespace inhouse::os {

// The temporary file's path beside target (a native path), spelled with
// the given random bits.
std::string TemporaryPathBeside(const std::string& target, uint64_t random_bits);

// True when a file name (no folder) has exactly the form above.
bool IsTemporaryName(std::string_view name);

}  // namespace inhouse::os

#endif  // INHOUSE_OS_TEMPORARY_NAME_H
