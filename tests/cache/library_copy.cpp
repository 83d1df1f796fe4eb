#include "cache/library_copy.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
  std::string pattern = (fs::temp_directory_path() / "quenloft_cache_XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    error_ = "cannot make a temporary folder";
    return;
  }
  folder_ = pattern;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(QUENLOFT_LIB_DIR, error)) {
    const std::string name = entry.path().filename().string();
    if (!IsLibraryFile(name)) continue;
    fs::copy(entry.path(), fs::path(folder_) / name, fs::copy_options::copy_symlinks, error);
    if (error) {
      error_ = "cannot copy " + name + ": " + error.message();
      return;
    }
  }
  const std::string library = folder_ + "/" + kPrefix + "quenloft" + kSuffix;
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
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
}

ITplManager* LibraryCopy::CreateManager() const {
  ITplManager* manager = nullptr;
  return create_manager_(&manager) == 0 ? manager : nullptr;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(fs::path(path).parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error);
}

}  // namespace quenloft_test
