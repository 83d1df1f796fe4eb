#include "library_location.h"

#include <filesystem>

#include "system_calls.h"

namespace quenloft_tool {

std::string LibraryFolder() {
  const std::string file = system_calls::LibraryFile();
  if (file.empty()) return {};
  return std::filesystem::path(file).parent_path().generic_string() + "/";
}

std::string StockSkinFolder() {
  const std::string folder = LibraryFolder();
  if (folder.empty()) return {};
  return folder + "Pelion5Ext/template_skin/";
}

std::string ToolPath() {
  const std::string file = system_calls::ProgramFile();
  return file.empty() ? std::string("quenloft") : file;
}

}  // namespace quenloft_tool
