// The few operating-system calls of the tool: system_calls.cpp makes them on
// POSIX, system_calls_win32.cpp on Windows. Everything else is portable.
#ifndef QUENLOFT_TOOL_SYSTEM_CALLS_H
#define QUENLOFT_TOOL_SYSTEM_CALLS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace quenloft_tool::system_calls {

// Keeps the component runtime open on the constructing thread for the
// object's life: the library's Transform on Windows uses the XML DOM
// component and leaves that to its host. Nothing on POSIX.
class ComponentRuntime {
 public:
  ComponentRuntime();
  ~ComponentRuntime();
  ComponentRuntime(const ComponentRuntime&) = delete;
  ComponentRuntime& operator=(const ComponentRuntime&) = delete;

 private:
  [[maybe_unused]] bool opened_ = false;  // used on Windows only
};

// True when standard error is a terminal (the progress bar redraws a line).
bool StderrIsTerminal();
// True when standard output is a terminal (check colours its report).
bool StdoutIsTerminal();

// Calls `on_interrupt` when the user presses Ctrl-C, in place of ending the
// process. It runs in a signal handler or on a thread of its own, so it may
// only set a lock-free flag, call WriteToStderr and end the process.
void CatchInterrupt(void (*on_interrupt)());
// Writes the bytes to standard error unbuffered; safe in a signal handler.
void WriteToStderr(const char* text, size_t size);

// Makes a write past the process's file-size limit fail with an error
// (reported like any failed write) instead of ending the process.
void KeepRunningPastFileSizeLimit();

// The full name of the loaded quenloft library and of the tool's own
// program; "" when unknown.
std::string LibraryFile();
std::string ProgramFile();

// Makes and removes a file of a new name in `folder` (which ends in a
// separator). False with *error (the system's reason) when that fails.
bool CanMakeFileIn(const std::string& folder, std::string* error);

// True when the two existing paths lie on one file system, where the
// kernel copies a file without the process reading it (a reflink or
// copy_file_range). True also when that cannot be told, and always on
// Windows, whose copy is the system's own.
bool OnOneFileSystem(const std::string& a, const std::string& b);

// True when the open file of `size` bytes may have holes (it takes fewer
// blocks than bytes), and when that cannot be told.
bool MayHaveHoles(int fd, uint64_t size);

// A buffer of `size` bytes for a whole file, for FreeFileBuffer; null when
// out of memory. On POSIX a large one starts on a large page and asks for
// large pages: filling it faults once per 2 MB instead of once per page.
char* AllocateFileBuffer(size_t size);
void FreeFileBuffer(char* data);

// Flushes a file or folder to the disk (folders only on POSIX). False when
// it cannot be opened or flushed.
bool SyncToDisk(const std::string& path);
// An exclusive lock on the file `name` in `folder` (which ends in a
// separator), held for the object's life; the file is removed when the
// lock is given up. Locked by one object at a time across processes.
class FolderLock {
 public:
  enum class Result { kLocked, kBusy, kFailed };
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Does not wait: kBusy when another holder has it. kFailed sets *error
  // to the system's reason.
  Result Lock(const std::string& folder, const char* name, std::string* error);

 private:
  std::string path_;
  [[maybe_unused]] int fd_ = -1;          // POSIX
  [[maybe_unused]] void* handle_ = nullptr;  // Windows
};

// A new folder only this user may enter, in the system's temporary folder,
// with a trailing separator; "" on failure.
std::string MakeTemporaryFolder(const char* prefix);

}  // namespace quenloft_tool::system_calls

#endif  // QUENLOFT_TOOL_SYSTEM_CALLS_H
