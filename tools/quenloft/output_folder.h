// How a build puts files into its output folder. Every file is written
// once, to a temporary name beside it that is then renamed over it, so a
// failed write leaves what was there before. Nothing is flushed to disk
// per file: Sync() does it for the whole build at the end (--sync).
#ifndef QUENLOFT_TOOL_OUTPUT_FOLDER_H
#define QUENLOFT_TOOL_OUTPUT_FOLDER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quenloft_tool {

// Gives a file buffer back to system_calls::FreeFileBuffer.
struct FileBufferRelease {
  void operator()(char* data) const;
};

// A source file's bytes, followed by a zero byte for the library's text
// calls. A later read reuses the buffer when it is large enough.
struct SourceFile {
  std::unique_ptr<char[], FileBufferRelease> data;
  size_t size = 0;
  size_t capacity = 0;  // of data, which a later read may reuse
  uint32_t permissions = 0;
  // Fewer blocks than bytes, or not known: only the kernel's copy keeps
  // the holes.
  bool may_have_holes = true;

  std::string_view bytes() const { return {data.get(), size}; }
};

class OutputFolder {
 public:
  // `folder`: absolute, ending in "/", existing. `source_folder`, the
  // skin, tells once for the build whether the kernel copies from there
  // without reading the files through the process.
  OutputFolder(std::string folder, const std::string& source_folder);

  // Makes the folders of `relative` (names with "/"). False when one of
  // them is a link leading out of the output folder, or cannot be made.
  // One thread only.
  bool PrepareFolderOf(const std::string& relative);
  // Reads the regular file at `source` whole into *file (kRead), except a
  // large one without holes on another file system while `plain` finds
  // nothing to patch in each chunk read (given with the few bytes before
  // it that a marker opening may start in): that one is copied chunk by
  // chunk (kCopied), hot in the caches where one whole-file buffer is not.
  enum class Placed { kRead, kCopied, kFailed };
  Placed ReadOrCopy(const std::string& source, const std::string& relative,
                    const std::function<bool(std::string_view)>& plain, SourceFile* file) const;
  // A copy in the kernel (a reflink where the file system has them).
  bool Copy(const std::string& source, const std::string& relative) const;
  // A file read whole, without holes, that needs no patching: written as
  // read where the kernel's copy would read it again (another file
  // system), else copied by the kernel.
  bool CopyRead(const std::string& source, const std::string& relative,
                const SourceFile& file) const;
  // A new file gets `permissions`; an existing one keeps its own. Written
  // files can be written again (the owner may write them), as the
  // library's copies can. Safe on several threads at once.
  bool Write(const std::string& relative, std::string_view bytes, uint32_t permissions) const;
  // The same with the bytes written by `fill` into the open temporary
  // file, as they come; false from fill leaves the file as it was.
  bool WriteWith(const std::string& relative, const std::function<bool(int fd)>& fill,
                 uint32_t permissions) const;
  // Remembers a written file for Sync(). One thread only.
  void Written(const std::string& relative) { written_.push_back(relative); }
  // Flushes every remembered file, then every folder, to the disk.
  bool Sync() const;

  const std::string& folder() const { return folder_; }

 private:
  bool PrepareFolderNamed(const std::string& folder);  // relative, without "/"

  std::string folder_;
  std::string real_folder_;        // by real path, ending in "/"
  bool kernel_copies_;             // without reading: one file system
  std::set<std::string> folders_;  // prepared, relative, without "/"
  std::vector<std::string> written_;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_OUTPUT_FOLDER_H
