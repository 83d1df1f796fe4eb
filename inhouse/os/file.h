// An open file as a value, and the loops that move whole contents.
#ifndef INHOUSE_OS_FILE_H
#define INHOUSE_OS_FILE_H

#include <cstddef>
#include <cstdint>

namespace inhouse::os {

// Owns a descriptor (system_calls.h). Move-only; the destructor closes
// and ignores errors, Close() reports whether everything written reached
// the file.
class File {
 public:
  File() = default;
  explicit File(int descriptor) : descriptor_(descriptor) {}
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool is_open() const { return descriptor_ >= 0; }
  int get() const { return descriptor_; }
  bool Close();

 private:
  int descriptor_ = -1;
};

// Writes all bytes, however few each call takes.
bool WriteAll(int fd, const void* bytes, size_t count);

// Copies all size bytes of from into the new, empty file to: a reflink
// where the file system has them, else the data ranges in the kernel (or by
// reading and writing where it cannot), so that holes stay holes.
bool CopyContent(int from, int to, uint64_t size);

}  // namespace inhouse::os

#endif  // INHOUSE_OS_FILE_H
