// Every operating-system call of the in-house libraries: system_calls_posix.cpp
// makes them on POSIX, system_calls_win32.cpp on Windows; everything above
// them is portable. Paths are native (ToNativePath). A descriptor is a file
// descriptor or, on Windows, a file handle (handles fit in 32 bits; -1 is
// no file). Failures return false or -1 and leave errno set (on Windows
// EEXIST, ENOENT or EACCES); interrupted calls are retried here.
#ifndef INHOUSE_OS_SYSTEM_CALLS_H
#define INHOUSE_OS_SYSTEM_CALLS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace inhouse::os {

enum class EntryKind { kMissing, kFile, kFolder, kOther };

// Permission bits as on POSIX. Windows has attributes instead: there an
// entry is writable by its owner exactly when it is neither read-only,
// hidden nor a system file, and readable always.
inline constexpr uint32_t kOwnerWrite = 0200;

struct EntryStatus {
  EntryKind kind = EntryKind::kMissing;
  uint32_t permissions = 0;
};

// What the path names, following symbolic links.
EntryStatus StatusOf(const std::string& path);
bool SetPermissions(const std::string& path, uint32_t permissions);
bool MakeFolder(const std::string& path);  // mode 0777 less umask
// Opens an existing file for writing without changing it (nonblocking, so a
// pipe without reader does not hang) and closes it again.
bool CanOpenForWriting(const std::string& path);
bool RemoveFile(const std::string& path);
// Removes the entry and everything below it without following symbolic
// links; false when nothing was there or something could not be removed.
bool RemoveTree(const std::string& path);
// Replaces the trailing "XXXXXX" of templ and makes that folder, mode 0700.
bool MakeUniqueFolder(std::string* templ);
// The system's temporary folder without a trailing separator (on POSIX
// honouring TMPDIR); empty when unknown.
std::string TemporaryFolder();
// What stands at path itself: a symbolic link (on Windows a reparse point)
// is kOther, whatever it names. One look, where StatusOf after a check for
// a link would take two.
EntryStatus StatusOfEntry(const std::string& path);
// Renames from over an existing to in one step.
bool RenameOver(const std::string& from, const std::string& to);

int OpenForReading(const std::string& path);
// A new file that did not exist before (mode 0666 less umask), or -1 with
// errno EEXIST when the name is taken.
int CreateExclusive(const std::string& path);
// The size and permissions of an open regular file; false for anything else.
bool RegularFileStatus(int fd, uint64_t* size, uint32_t* permissions);
// A no-op on Windows: a replaced file does not take over attributes there.
bool SetFilePermissions(int fd, uint32_t permissions);
// Bytes read (0 at the end) or written, or -1; either may be fewer than asked.
long ReadSome(int fd, void* buffer, size_t count);
long WriteSome(int fd, const void* bytes, size_t count);
// In-kernel copy of up to count bytes from the current positions: bytes
// copied, 0 at the end, or -1 (EXDEV, ENOSYS, EINVAL, EOPNOTSUPP or EPERM
// where the kernel cannot copy between these files; always ENOSYS on
// Windows).
long CopyRange(int from, int to, size_t count);
bool CloseFile(int fd);
// Makes `to` share the blocks of all of `from` (a reflink); false (errno
// set) where the file system cannot, and always on Windows.
bool CloneFile(int from, int to);
// The first byte at or after offset that is data, not a hole, and the first
// byte of the hole after that (the end counts as a hole). Where the system
// cannot tell, everything is data. Offsets past size give size.
uint64_t NextData(int fd, uint64_t offset, uint64_t size);
uint64_t NextHole(int fd, uint64_t offset, uint64_t size);
bool SeekTo(int fd, uint64_t offset);
// Sets the file's length; new bytes read as zeros (a hole where it can).
bool SetFileSize(int fd, uint64_t size);

// 64 bits from the system's random source; false when it has none ready.
bool SystemRandomBits(uint64_t* bits);
uint64_t ProcessId();

}  // namespace inhouse::os

#endif  // INHOUSE_OS_SYSTEM_CALLS_H
