#include "skin_filter.h"

#include <algorithm>
#include <utility>

#include "patch_selection.h"

namespace quenloft_tool {

SkinFilter::SkinFilter(std::vector<std::string> exclude_globs, bool hidden)
    : globs_(std::move(exclude_globs)), hidden_(hidden) {
  for (std::string& glob : globs_) {
    while (glob.size() > 1 && glob.back() == '/') glob.pop_back();
  }
}

bool SkinFilter::Skips(std::string_view relative) const {
  return relative == kSkinConfigName || (!hidden_ && IsHidden(relative)) || IsExcluded(relative);
}

bool SkinFilter::IsHidden(std::string_view relative) const {
  for (size_t start = 0; start < relative.size();) {
    if (relative[start] == '.') return true;
    const size_t slash = relative.find('/', start);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return false;
}

bool SkinFilter::IsExcluded(std::string_view relative) const {
  for (const std::string& glob : globs_) {
    const bool by_path = glob.find('/') != std::string::npos;
    // Each folder on the way down, then the file itself.
    for (size_t start = 0; start <= relative.size();) {
      size_t end = relative.find('/', start);
      if (end == std::string_view::npos) end = relative.size();
      const std::string_view subject =
          by_path ? relative.substr(0, end) : relative.substr(start, end - start);
      if (GlobMatches(glob, subject, by_path)) return true;
      start = end + 1;
    }
  }
  return false;
}

void SkinFilter::Apply(SkinListing* listing) const {
  std::erase_if(listing->names, [&](const std::string& name) { return Skips(name); });
  // "NAME -> TARGET"
  std::erase_if(listing->outside_links, [&](const std::string& link) {
    return Skips(std::string_view(link).substr(0, link.find(" -> ")));
  });
}

void KeepOnly(SkinListing* listing, const std::vector<std::string>& only) {
  if (only.empty()) return;
  std::erase_if(listing->names, [&](const std::string& name) {
    return std::find(only.begin(), only.end(), name) == only.end();
  });
}

}  // namespace quenloft_tool
