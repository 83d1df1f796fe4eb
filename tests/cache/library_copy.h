// A private copy of libquenloft.so and its in-house libraries in a fresh
// scratch folder, loaded the way a host loads the library. The template
// file cache belongs to the process and looks beside the library's own
// file, so each test builds its extension folder next to its own copy.
#ifndef QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H
#define QUENLOFT_TESTS_CACHE_LIBRARY_COPY_H

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "TAVLOR/ByteString.h"
#include "support/files.h"
#include "quenloft/com_ptr.h"
#include "quenloft/quenloft.h"

namespace quenloft_test {

using ManagerPtr = quenloft::ComPtr<ITplManager>;

class LibraryCopy {
 public:
  LibraryCopy() {
    namespace fs = std::filesystem;
#ifdef _WIN32
    const std::string prefix, suffix = ".dll";
#else
    const std::string prefix = "lib", suffix = ".so";
#endif
    std::error_code error;  // the library and those it needs, with their version links
    for (const fs::directory_entry& entry : fs::directory_iterator(QUENLOFT_LIB_DIR, error)) {
      const std::string name = entry.path().filename().string();
      for (const char* base :
           {"quenloft", "CorvaskObjs", "CorvaskUtils", "TAVLOR", "pmtkWin32FileServices"}) {
        if (name.rfind(prefix + base + suffix, 0) != 0) continue;
        fs::copy(entry.path(), folder_ / name, fs::copy_options::copy_symlinks, error);
        if (error) error_ += "cannot copy " + name + ": " + error.message() + "\n";
      }
    }
    handle_ = dlopen((folder_ / (prefix + "quenloft" + suffix)).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      error_ += dlerror();
      return;
    }
    init_ = reinterpret_cast<PFN_InitTemplateFilesToCache>(
        dlsym(handle_, "InitTemplateFilesToCache"));
    create_manager_ = reinterpret_cast<PFN_CreateTemplateManagerInstance>(
        dlsym(handle_, "CreateTemplateManagerInstance"));
    if (!Loaded()) error_ += "exports not found";
  }
  ~LibraryCopy() {  // the folder goes after it
    if (handle_ != nullptr) dlclose(handle_);
  }
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;

  bool Loaded() const { return init_ != nullptr && create_manager_ != nullptr; }
  const std::string& Error() const { return error_; }

  // The folder of the copy; "/Pelion5Ext/" below it; a folder outside that.
  const std::string& Folder() const { return folder_.path(); }
  std::string ExtensionFolder() const { return Folder() + "/Pelion5Ext/"; }
  std::string OutsideFolder() const { return Folder() + "/outside/"; }

  int32_t InitTemplateFilesToCache() const { return init_(); }
  ManagerPtr CreateManager() const {  // null on failure
    ManagerPtr manager;
    if (create_manager_ != nullptr) create_manager_(manager.put());
    return manager;
  }

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
