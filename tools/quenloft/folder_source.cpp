#include "folder_source.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quenloft_tool {

namespace fs = std::filesystem;

std::vector<std::string> ListSkinFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  // The default options do not follow links to folders, so a link cycle
  // cannot make the walk endless; unreadable folders are skipped.
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    names.push_back(it->path().lexically_relative(folder).generic_string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

quenloft::ComPtr<FolderSource> FolderSource::Make(const std::string& folder) {
  return quenloft::ComPtr<FolderSource>::retain(new FolderSource(folder));
}

FolderSource::FolderSource(const std::string& folder)
    : folder_(folder), names_(ListSkinFiles(folder)) {}

int32_t QL_CALL FolderSource::Initialize(const char* /*folder*/) { return 0; }

int32_t QL_CALL FolderSource::Uninitialize() { return 0; }

int32_t QL_CALL FolderSource::GetFirstName(ICvoString* out, int32_t* position) {
  if (position == nullptr) return 1;
  *position = 0;
  return GetNextName(out, position);
}

int32_t QL_CALL FolderSource::GetNextName(ICvoString* out, int32_t* position) {
  if (out == nullptr || position == nullptr) return 1;
  if (*position < 0 || static_cast<size_t>(*position) >= names_.size()) {
    out->Empty();
    return 0;
  }
  out->SetText(names_[static_cast<size_t>(*position)].c_str());
  ++*position;
  return 0;
}

int32_t QL_CALL FolderSource::GetSourcePath(ICvoString* out, const char* name) {
  if (out == nullptr || name == nullptr) return 1;
  std::string path = folder_ + name;
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(folder_.size()), path.end(), '\\', '/');
  out->SetText(path.c_str());
  return 0;
}

}  // namespace quenloft_tool
