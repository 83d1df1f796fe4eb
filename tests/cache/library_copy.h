// A private copy of libquenloft.so and its in-house libraries in a fresh
// temporary folder, loaded the way a host loads the library. The template
// file cache belongs to the process and looks beside the library's own
// file, so each test builds its extension folder next to its own copy.
#ifndef QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H
#define QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H

#include <string>

#include "quenloft/quenloft.h"

namespace quenloft_test {

class LibraryCopy {
 public:
  LibraryCopy();   // copies and loads; check Loaded()
  ~LibraryCopy();  // unloads and removes the folder
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;

  bool Loaded() const { return init_ != nullptr && create_manager_ != nullptr; }
  const std::string& Error() const { return error_; }

  // The temporary folder; "/Pelion5Ext/" below it; a folder outside it.
  const std::string& Folder() const { return folder_; }
  std::string ExtensionFolder() const { return folder_ + "/Pelion5Ext/"; }
  std::string OutsideFolder() const { return folder_ + "/outside/"; }

  int32_t InitTemplateFilesToCache() const { return init_(); }
  ITplManager* CreateManager() const;  // one reference, or null

 private:
  std::string folder_;
  std::string error_;
  void* handle_ = nullptr;
  PFN_InitTemplateFilesToCache init_ = nullptr;
  PFN_CreateTemplateManagerInstance create_manager_ = nullptr;
};

// Writes bytes to a file, making its folders; false on failure.
bool WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H
