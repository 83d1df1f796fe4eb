#include "cache/library_copy.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace quenloft_test {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kPrefix[] = "";
constexpr char kSuffix[] = ".dll";
#else
constexpr char kPrefix[] = "lib";
constexpr char kSuffix[] = ".so";
#endif

// The library and the libraries it needs, with their version links.
bool IsLibraryFile(const std::string& name) {
  for (const char* base :
       {"quenloft", "CorvaskObjs", "CorvaskUtils", "TAVLOR", "pmtkWin32FileServices"}) {
    if (name.rfind(kPrefix + std::string(base) + kSuffix, 0) == 0) return true;
  }
  return false;
}

}  // namespace

LibraryCopy::LibraryCopy() {
  if (Folder().empty()) {
    error_ = "cannot make a temporary folder";
    return;
  }
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(QUENLOFT_LIB_DIR, error)) {
    const std::string name = entry.path().filename().string();
    if (!IsLibraryFile(name)) continue;
    fs::copy(entry.path(), fs::path(Folder()) / name, fs::copy_options::copy_symlinks, error);
    if (error) {
      error_ = "cannot copy " + name + ": " + error.message();
      return;
    }
  }
  const std::string library = Folder() + "/" + kPrefix + "quenloft" + kSuffix;
  handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    error_ = why != nullptr ? why : "dlopen failed";
    return;
  }
  init_ = reinterpret_cast<PFN_InitTemplateFilesToCache>(
      dlsym(handle_, "InitTemplateFilesToCache"));
  create_manager_ = reinterpret_cast<PFN_CreateTemplateManagerInstance>(
      dlsym(handle_, "CreateTemplateManagerInstance"));
  if (!Loaded()) error_ = "exports not found";
}

LibraryCopy::~LibraryCopy() {
  if (handle_ != nullptr) dlclose(handle_);
}

ManagerPtr LibraryCopy::CreateManager() const {
  ITplManager* manager = nullptr;
  if (create_manager_ == nullptr || create_manager_(&manager) != 0) return nullptr;
  return ManagerPtr(manager);
}

}  // namespace quenloft_test
