#include "library_location.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "quenloft/quenloft.h"

namespace quenloft_tool {

std::string LibraryFolder() {
  Dl_info info = {};
  // The export's address lies inside the library (the tool is a PIE, so the
  // address comes from the library's own code, not from a PLT stub).
  if (dladdr(reinterpret_cast<void*>(&CreateTemplateManagerInstance), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  std::error_code ec;
  std::filesystem::path file = std::filesystem::canonical(info.dli_fname, ec);
  if (ec) return {};
  return file.parent_path().string() + "/";
}

std::string StockSkinFolder() {
  const std::string folder = LibraryFolder();
  if (folder.empty()) return {};
  return folder + "Pelion5Ext/template_skin/";
}

std::string ToolPath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("quenloft") : self.string();
}

}  // namespace quenloft_tool
