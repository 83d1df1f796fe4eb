// Failure injection for tests. Built as inhouse_os_faults (with
// INHOUSE_OS_FAULTS defined), the OS layer asks here before each call that
// creates, reads, writes, closes, renames or removes a file, so that a test
// can make one such call fail, or every transfer short: what real files
// cannot be made to do on demand (a disk that fills mid-way, a close that
// reports a lost write, a rename refused, a process killed before it could
// clean up). The libraries link inhouse_os, where none of this exists.
// Tests are single-threaded here: nothing below is synchronised.
#ifndef INHOUSE_OS_FAULT_INJECTION_H
#define INHOUSE_OS_FAULT_INJECTION_H

#include <cstddef>

namespace inhouse::os::faults {

enum class Call {
  kCreate,  // CreateExclusive
  kRead,    // ReadSome
  kWrite,   // WriteSome and CopyRange: whatever puts bytes into a file
  kClose,   // CloseFile
  kRename,  // RenameOver
  kRemove,  // RemoveFile
};

// The nth call of that kind from now on (1: the next) fails with error;
// the calls before and after it are made.
void FailCall(Call call, int nth, int error);
// From now on each read, write and in-kernel copy moves at most bytes.
void LimitTransfers(size_t bytes);
// Takes back every failure and limit.
void Reset();

// For the OS layer: true, with errno set, when this call is to fail.
bool Fails(Call call);
size_t Limit(size_t count);

}  // namespace inhouse::os::faults

#ifdef INHOUSE_OS_FAULTS
#define INHOUSE_OS_FAILS(call) ::inhouse::os::faults::Fails(::inhouse::os::faults::Call::call)
#define INHOUSE_OS_LIMIT(count) ::inhouse::os::faults::Limit(count)
#else
#define INHOUSE_OS_FAILS(call) false
#define INHOUSE_OS_LIMIT(count) (count)
#endif

#endif  // INHOUSE_OS_FAULT_INJECTION_H
