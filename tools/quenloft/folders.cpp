#include "folders.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <filesystem>
#include <system_error>

#include "system_calls.h"

namespace quenloft_tool {

namespace fs = std::filesystem;

namespace {

// The real path of the deepest existing folder of `folder`, the rest
// appended as written, with a trailing "/".
std::string RealFolder(const std::string& folder) {
  std::error_code ec;
  std::string text = fs::weakly_canonical(folder, ec).generic_string();
  if (ec) return folder;
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

}  // namespace

std::string WithForwardSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string AbsoluteFolder(const std::string& path) {
  std::error_code ec;
  fs::path absolute =
      fs::absolute(path.empty() ? fs::path(".") : fs::path(WithForwardSlashes(path)), ec);
  std::string text = absolute.lexically_normal().generic_string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

bool IsSameOrBelow(const std::string& folder, const std::string& parent) {
  if (folder.compare(0, parent.size(), parent) == 0) return true;
  const std::string real_parent = RealFolder(parent);
  if (RealFolder(folder).compare(0, real_parent.size(), real_parent) == 0) return true;
  // A folder goes by other names too: through links, and on Windows in
  // another letter case or by its short name. Those of the folder's own
  // line that exist are compared by identity.
  // Without the trailing separator: the Windows runtime's equivalent() does
  // not see a folder named with one.
  fs::path target(parent);
  if (!target.has_filename()) target = target.parent_path();
  std::error_code ec;
  for (fs::path at(folder); !at.empty(); at = at.parent_path()) {
    if (fs::equivalent(at, target, ec)) return true;
    if (at == at.parent_path()) break;
  }
  return false;
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

int RemoveLeftoverTemporaryFiles(const std::string& folder) {
  int removed = 0;
  std::error_code ec;
  // Links to folders are not followed: the walk stays inside the output.
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    try {
      // The name first: it costs no look at the file.
      if (IsLeftoverTempFileName(it->path().filename().string().c_str()) == 0) continue;
      std::error_code entry_ec;
      if (!fs::is_regular_file(it->symlink_status(entry_ec))) continue;
      if (fs::remove(it->path(), entry_ec)) ++removed;
    } catch (const std::exception&) {
      // A name this platform cannot spell in 8-bit text is no leftover of ours.
    }
  }
  return removed;
}

}  // namespace quenloft_tool
