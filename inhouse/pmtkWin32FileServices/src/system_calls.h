// Every operating-system call of the file-services library, so that tests
// can put failures in their place. Paths are native ("/" only). Failures
// return false or -1 and leave errno set; interrupted calls are retried.
#ifndef PMTKWIN32FILESERVICES_SRC_SYSTEM_CALLS_H
#define PMTKWIN32FILESERVICES_SRC_SYSTEM_CALLS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace pmtk::sys {

int OpenForReading(const std::string& path);
// The permission bits of an open regular file; false for anything else.
bool RegularFileModeOf(int fd, uint32_t* mode);
// The permission bits of the regular file at path (links followed).
bool RegularFileMode(const std::string& path, uint32_t* mode);
// A new file that did not exist before (mode 0666 less umask), or -1.
int CreateExclusive(const std::string& path);
bool SetFileMode(int fd, uint32_t mode);
// In-kernel copy of up to count bytes: bytes copied, 0 at the end, -1.
long CopyRange(int from, int to, size_t count);
long ReadSome(int fd, void* buffer, size_t count);
bool WriteAll(int fd, const void* bytes, size_t count);
bool CloseFile(int fd);
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
bool ResolveLink(const std::string& path, std::string* resolved);
uint64_t RandomBits();

}  // namespace pmtk::sys

#endif  // PMTKWIN32FILESERVICES_SRC_SYSTEM_CALLS_H
