#include "folders.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

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
  // access() says yes to root on a read-only mount; making a file does not.
  std::string probe = folder + ".quenloft-probe-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

std::string MakeTemporaryFolder(const char* prefix) {
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / (std::string(prefix) + "XXXXXX")).string();
  if (ec || mkdtemp(pattern.data()) == nullptr) return {};
  return pattern + "/";
}

void RemoveFolder(const std::string& folder) {
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace quenloft_tool
