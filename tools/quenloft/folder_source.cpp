#include "folder_source.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quenloft_tool {

namespace fs = std::filesystem;

namespace {

// The real path of a linked file when it lies outside `root` (a real
// path ending in "/"); "" when it lies inside.
std::string OutsideTarget(const fs::path& link, const std::string& root) {
  std::error_code ec;
  const std::string real = fs::canonical(link, ec).generic_string();
  if (ec) return link.generic_string();
  return real.compare(0, root.size(), root) == 0 ? std::string() : real;
}

}  // namespace

SkinListing ListSkinFiles(const std::string& folder, bool follow_links) {
  SkinListing listing;
  std::error_code ec;
  std::string root = fs::canonical(folder, ec).generic_string();
  if (root.empty() || root.back() != '/') root += '/';
  // The default options do not follow links to folders, so a link cycle
  // cannot make the walk endless; unreadable folders are skipped.
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::string name = it->path().lexically_relative(folder).generic_string();
    if (!follow_links && it->is_symlink(type_ec)) {
      const std::string target = OutsideTarget(it->path(), root);
      if (!target.empty()) {
        listing.outside_links.push_back(name + " -> " + target);
        continue;
      }
    }
    listing.names.push_back(std::move(name));
  }
  std::sort(listing.names.begin(), listing.names.end());
  std::sort(listing.outside_links.begin(), listing.outside_links.end());
  return listing;
}

quenloft::ComPtr<FolderSource> FolderSource::Make(const std::string& folder, SkinListing listing,
                                                  bool (*stopped)()) {
  return quenloft::ComPtr<FolderSource>::retain(
      new FolderSource(folder, std::move(listing.names), stopped));
}

FolderSource::FolderSource(const std::string& folder, std::vector<std::string> names,
                           bool (*stopped)())
    : folder_(folder), names_(std::move(names)), stopped_(stopped) {}

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
  if (stopped_ != nullptr && stopped_()) {
    out->Empty();
    return 1;
  }
  std::string path = folder_ + name;
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(folder_.size()), path.end(), '\\', '/');
  out->SetText(path.c_str());
  return 0;
}

}  // namespace quenloft_tool
