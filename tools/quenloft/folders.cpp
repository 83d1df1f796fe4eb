#include "folders.h"

#include <filesystem>
#include <system_error>

#include "system_calls.h"

namespace quenloft_tool {

namespace fs = std::filesystem;

std::string AbsoluteFolder(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), ec);
  std::string text = absolute.lexically_normal().generic_string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

bool IsSameOrBelow(const std::string& folder, const std::string& parent) {
  return folder.compare(0, parent.size(), parent) == 0;
}

bool PrepareWritableFolder(const std::string& folder, std::string* error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    *error = ec.message();
    return false;
  }
  if (!fs::is_directory(folder, ec)) {
    *error = "not a folder";
    return false;
  }
  return system_calls::CanMakeFileIn(folder, error);
}

void RemoveFolder(const std::string& folder) {
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace quenloft_tool
