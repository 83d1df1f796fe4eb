// Every operating-system call of the byte-string library, so that tests can
// put failures in their place. Paths are native ("/" only). Failures return
// false or -1 and leave errno set; interrupted calls are retried here.
#ifndef TAVLOR_SRC_SYSTEM_CALLS_H
#define TAVLOR_SRC_SYSTEM_CALLS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavlor::sys {

int OpenForReading(const std::string& path);
// The size of an open regular file; false for anything else.
bool RegularFileSize(int fd, uint64_t* size);
// Bytes read (0 at the end), or -1.
long ReadSome(int fd, void* buffer, size_t count);
bool WriteAll(int fd, const void* bytes, size_t count);
// A new file that did not exist before (mode 0666 less umask), or -1.
int CreateExclusive(const std::string& path);
bool SetFileMode(int fd, uint32_t mode);
bool CloseFile(int fd);
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// The permission bits of the regular file at path (links followed).
bool RegularFileMode(const std::string& path, uint32_t* mode);
// The file a symbolic link finally names; false when path is no link or
// the link cannot be resolved.
bool ResolveLink(const std::string& path, std::string* resolved);
uint64_t RandomBits();

}  // namespace tavlor::sys

#endif  // TAVLOR_SRC_SYSTEM_CALLS_H
