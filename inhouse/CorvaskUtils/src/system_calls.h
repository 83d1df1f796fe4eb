// Every operating-system call of the utilities library, so that tests can
// put failures in their place. Paths are native ("/" only). Calls that fail
// return false (or -1 / empty) and leave errno set.
#ifndef CORVASKUTILS_SRC_SYSTEM_CALLS_H
#define CORVASKUTILS_SRC_SYSTEM_CALLS_H

#include <cstdint>
#include <string>

namespace corvask::sys {

enum class EntryKind { kMissing, kFile, kFolder, kOther };

// What the path names, following symbolic links.
EntryKind KindOf(const std::string& path);
bool MakeFolder(const std::string& path);  // mode 0777 less umask
// Opens an existing file for writing without changing it (nonblocking, so a
// pipe without reader does not hang) and closes it again.
bool CanOpenForWriting(const std::string& path);
// Creates a new file (fails if anything is there) and closes it.
bool CreateNewFile(const std::string& path);
bool RemoveFile(const std::string& path);
bool GetMode(const std::string& path, uint32_t* mode);
bool SetMode(const std::string& path, uint32_t mode);
// mkdtemp: replaces the trailing "XXXXXX" of templ; the folder is 0700.
bool MakeUniqueFolder(std::string* templ);
// The system's temporary folder (honours TMPDIR); empty when unknown.
std::string TemporaryFolder();
// Removes the entry and everything below it without following symbolic
// links; false when nothing was there or something could not be removed.
bool RemoveTree(const std::string& path);
uint64_t RandomBits();
int64_t MonotonicNanoseconds();

}  // namespace corvask::sys

#endif  // CORVASKUTILS_SRC_SYSTEM_CALLS_H
