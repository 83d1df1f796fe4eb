// CByteString to and from files.
#include <cstdint>
#include <utility>

#include "TAVLOR/ByteString.h"
#include "os/file.h"
#include "os/native_path.h"
#include "os/replace_file.h"
#include "os/system_calls.h"

namespace os = inhouse::os;

namespace {

constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

int CByteString::LoadFromFile(const char* path) try {
  std::string native;
  if (!os::ToNativePath(path, &native)) return 0;
  os::File file(os::OpenForReading(native));
  uint64_t size = 0;
  uint32_t permissions = 0;
  if (!file.is_open() || !os::RegularFileStatus(file.get(), &size, &permissions)) return 0;
  if (size >= static_cast<uint64_t>(static_cast<size_t>(-1) / 2)) return 0;

  // Read into a buffer of our own and take it over only when all went well.
  CByteString loaded;
  loaded.Reserve(static_cast<size_t>(size) + 1);  // + 1: room to see the end
  for (;;) {
    // The size is a hint: a file that grows meanwhile is read to its end.
    if (loaded.capacity_ == loaded.length_) {
      loaded.grow_double_ = true;
      loaded.Grow(loaded.length_ + kReadChunk);
    }
    const long got =
        os::ReadSome(file.get(), loaded.data_ + loaded.length_, loaded.capacity_ - loaded.length_);
    if (got < 0) return 0;
    if (got == 0) break;
    loaded.length_ += static_cast<size_t>(got);
  }
  if (loaded.data_ != nullptr) loaded.data_[loaded.length_] = '\0';
  std::swap(data_, loaded.data_);
  std::swap(length_, loaded.length_);
  std::swap(capacity_, loaded.capacity_);
  return 1;
} catch (...) {
  return 0;  // out of memory: the content stays as it was
}

int CByteString::SaveToFile(const char* path) const try {
  std::string native;
  if (!os::ToNativePath(path, &native)) return 0;
  const char* bytes = GetContent();
  const size_t count = length_;
  return os::ReplaceFile(native, [=](int fd) { return os::WriteAll(fd, bytes, count); }) ? 1 : 0;
} catch (...) {
  return 0;
}
