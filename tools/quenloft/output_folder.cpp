#include "output_folder.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "folders.h"
#include "os/file.h"
#include "os/native_path.h"
#include "os/replace_file.h"
#include "os/system_calls.h"
#include "quenloft/conventions.h"
#include "system_calls.h"

namespace quenloft_tool {

namespace fs = std::filesystem;
namespace os = inhouse::os;

namespace {

// Large texts are copied in chunks of the size cat uses: read into a buffer
// that stays in the caches, which one whole-file buffer does not.
constexpr uint64_t kChunkedAbove = uint64_t{1} << 20;
constexpr size_t kChunk = size_t{128} << 10;

constexpr size_t LongestOpening() {
  size_t longest = 0;
  for (const auto& row : quenloft::kMarkerDelimiters) {
    longest = std::max(longest, row.opening.size());
  }
  return longest;
}
// The bytes of the chunk before that a marker opening may begin in.
constexpr size_t kOverlap = LongestOpening() - 1;

bool OpenSource(const std::string& path, os::File* source, uint64_t* size, SourceFile* file) {
  std::string native;
  if (!os::ToNativePath(path.c_str(), &native)) return false;
  *source = os::File(os::OpenForReading(native));
  if (!source->is_open() || !os::RegularFileStatus(source->get(), size, &file->permissions) ||
      *size >= SIZE_MAX) {
    return false;
  }
  file->may_have_holes = system_calls::MayHaveHoles(source->get(), *size);
  return true;
}

// The `size` bytes of the open file from where it stands.
bool ReadWhole(int fd, uint64_t size, SourceFile* file) {
  // Not a std::string: that would clear every byte before the read fills it.
  if (!file->data || file->capacity <= size) {
    file->data.reset();  // the old buffer back before the new one
    file->capacity = 0;
    file->data.reset(system_calls::AllocateFileBuffer(static_cast<size_t>(size) + 1));
    if (!file->data) return false;
    file->capacity = static_cast<size_t>(size) + 1;
  }
  file->size = 0;
  while (file->size < size) {
    const long got =
        os::ReadSome(fd, file->data.get() + file->size, static_cast<size_t>(size) - file->size);
    if (got < 0) return false;
    if (got == 0) break;  // the file shrank while we read it
    file->size += static_cast<size_t>(got);
  }
  file->data[file->size] = '\0';
  return true;
}

// Copies `size` bytes chunk by chunk while `plain` passes each; false with
// *stopped when it does not. A file that grew meanwhile is cut at `size`.
bool CopyWhilePlain(int from, int to, uint64_t size,
                    const std::function<bool(std::string_view)>& plain, bool* stopped) {
  std::unique_ptr<char[]> buffer(
      new char[kOverlap + static_cast<size_t>(std::min<uint64_t>(size, kChunk))]);
  char* const chunk = buffer.get() + kOverlap;
  size_t kept = 0;  // bytes of the chunk before, just before `chunk`
  for (uint64_t left = size; left > 0;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
    const long got = os::ReadSome(from, chunk, want);
    if (got < 0) return false;
    if (got == 0) break;  // the file shrank while we read it
    const std::string_view seen(chunk - kept, kept + static_cast<size_t>(got));
    if (!plain(seen)) {
      *stopped = true;
      return false;
    }
    if (!os::WriteAll(to, chunk, static_cast<size_t>(got))) return false;
    kept = std::min(kOverlap, seen.size());
    std::memmove(chunk - kept, seen.data() + seen.size() - kept, kept);
    left -= static_cast<uint64_t>(got);
  }
  return true;
}

}  // namespace

void FileBufferRelease::operator()(char* data) const { system_calls::FreeFileBuffer(data); }

OutputFolder::OutputFolder(std::string folder, const std::string& source_folder)
    : folder_(std::move(folder)),
      kernel_copies_(system_calls::OnOneFileSystem(source_folder, folder_)) {
  std::error_code ec;
  const fs::path real = fs::canonical(folder_, ec);
  real_folder_ = ec ? folder_ : AbsoluteFolder(real.string());
}

bool OutputFolder::PrepareFolderOf(const std::string& relative) {
  const size_t slash = relative.rfind('/');
  return slash == std::string::npos || PrepareFolderNamed(relative.substr(0, slash));
}

bool OutputFolder::PrepareFolderNamed(const std::string& folder) {
  if (folders_.count(folder) != 0) return true;
  const size_t slash = folder.rfind('/');
  if (slash != std::string::npos && !PrepareFolderNamed(folder.substr(0, slash))) return false;
  // In a folder that lies inside, a real folder lies inside too, whether it
  // is made now or was there: only a link may lead elsewhere.
  std::error_code ec;
  const fs::path path(folder_ + folder);
  const bool made = fs::create_directory(path, ec);
  if (!ec && (made || fs::symlink_status(path, ec).type() == fs::file_type::directory)) {
    folders_.insert(folder);
    return true;
  }
  // A link (or no folder at all): inside only by its real path.
  const fs::path real = fs::weakly_canonical(path, ec);
  if (ec || !IsSameOrBelow(AbsoluteFolder(real.string()), real_folder_)) return false;
  if (PrepareFolder((folder_ + folder + "/").c_str()) == 0) return false;
  folders_.insert(folder);
  return true;
}

bool OutputFolder::Copy(const std::string& source, const std::string& relative) const {
  os::File from;
  uint64_t size = 0;
  SourceFile status;
  if (!OpenSource(source, &from, &size, &status)) return false;
  // To another file system the kernel only reads and writes too, after
  // asking for a reflink, an in-kernel copy and the data ranges.
  if (kernel_copies_ || status.may_have_holes) {
    return WriteWith(
        relative, [&](int fd) { return os::CopyContent(from.get(), fd, size); },
        status.permissions);
  }
  const auto any = [](std::string_view) { return true; };
  bool stopped = false;
  return WriteWith(
      relative, [&](int fd) { return CopyWhilePlain(from.get(), fd, size, any, &stopped); },
      status.permissions);
}

OutputFolder::Placed OutputFolder::ReadOrCopy(const std::string& source,
                                              const std::string& relative,
                                              const std::function<bool(std::string_view)>& plain,
                                              SourceFile* file) const {
  os::File from;
  uint64_t size = 0;
  if (!OpenSource(source, &from, &size, file)) return Placed::kFailed;
  if (!kernel_copies_ && !file->may_have_holes && size >= kChunkedAbove) {
    bool stopped = false;
    const auto copy = [&](int fd) { return CopyWhilePlain(from.get(), fd, size, plain, &stopped); };
    if (WriteWith(relative, copy, file->permissions)) return Placed::kCopied;
    if (!stopped || !os::SeekTo(from.get(), 0)) return Placed::kFailed;
  }
  return ReadWhole(from.get(), size, file) ? Placed::kRead : Placed::kFailed;
}

bool OutputFolder::CopyRead(const std::string& source, const std::string& relative,
                            const SourceFile& file) const {
  if (kernel_copies_ || file.may_have_holes) return Copy(source, relative);
  return Write(relative, file.bytes(), file.permissions);
}

bool OutputFolder::Write(const std::string& relative, std::string_view bytes,
                         uint32_t permissions) const {
  return WriteWith(
      relative, [bytes](int fd) { return os::WriteAll(fd, bytes.data(), bytes.size()); },
      permissions);
}

bool OutputFolder::WriteWith(const std::string& relative, const std::function<bool(int fd)>& fill,
                             uint32_t permissions) const {
  const std::string destination = folder_ + relative;
  std::string native;
  // Writable by the owner, as the library's copies are: set on the new file
  // before it takes the name.
  return os::ToNativePath(destination.c_str(), &native) &&
         os::ReplaceFile(native, fill, permissions, os::kOwnerWrite);
}

bool OutputFolder::Sync() const {
  bool synced = true;
  for (const std::string& relative : written_) {
    synced = system_calls::SyncToDisk(folder_ + relative) && synced;
  }
  // Folders after their files: a rename is durable once its folder is.
  for (const std::string& folder : folders_) {
    synced = system_calls::SyncToDisk(folder_ + folder) && synced;
  }
  return system_calls::SyncToDisk(folder_) && synced;
}

}  // namespace quenloft_tool
