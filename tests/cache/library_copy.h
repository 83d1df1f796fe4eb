// A private copy of libquenloft.so and its in-house libraries in a fresh
// scratch folder, loaded the way a host loads the library. The template
// file cache belongs to the process and looks beside the library's own
// file, so each test builds its extension folder next to its own copy.
#ifndef QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H
#define QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H

#include <memory>
#include <string>

#include "TAVLOR/ByteString.h"
#include "quenloft/quenloft.h"
#include "support/files.h"

namespace quenloft_test {

struct ReleaseManager {
  void operator()(ITplManager* manager) const { manager->Release(); }
};
using ManagerPtr = std::unique_ptr<ITplManager, ReleaseManager>;

class LibraryCopy {
 public:
  LibraryCopy();   // copies and loads; check Loaded()
  ~LibraryCopy();  // unloads; the folder goes after it
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;

  bool Loaded() const { return init_ != nullptr && create_manager_ != nullptr; }
  const std::string& Error() const { return error_; }

  // The folder of the copy; "/Pelion5Ext/" below it; a folder outside that.
  const std::string& Folder() const { return folder_.path(); }
  std::string ExtensionFolder() const { return Folder() + "/Pelion5Ext/"; }
  std::string OutsideFolder() const { return Folder() + "/outside/"; }

  int32_t InitTemplateFilesToCache() const { return init_(); }
  ManagerPtr CreateManager() const;  // null on failure

 private:
  quenloft::testing::ScratchFolder folder_;
  std::string error_;
  void* handle_ = nullptr;
  PFN_InitTemplateFilesToCache init_ = nullptr;
  PFN_CreateTemplateManagerInstance create_manager_ = nullptr;
};

// What GetFileContent hands out, or "<failed N>" with its result.
inline std::string ContentOf(ITplManager& manager, const std::string& path) {
  CByteString bytes;
  const int32_t result = manager.GetFileContent(path.c_str(), &bytes);
  if (result != 0) return "<failed " + std::to_string(result) + ">";
  return std::string(bytes.GetContent(), bytes.GetLength());
}

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H
