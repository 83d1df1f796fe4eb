// Which files of a skin a command takes. Hidden files and folders (a name
// starting with "." at any level: ".git/", ".DS_Store") only when asked
// for; never the skin's own settings file; none that an exclude glob
// matches.
#ifndef QUENLOFT_TOOL_SKIN_FILTER_H
#define QUENLOFT_TOOL_SKIN_FILTER_H

#include <string>
#include <string_view>
#include <vector>

#include "folder_source.h"

namespace quenloft_tool {

// The settings file at the root of a skin; never part of the output.
inline constexpr std::string_view kSkinConfigName = "quenloft.ini";

class SkinFilter {
 public:
  explicit SkinFilter(std::vector<std::string> exclude_globs = {}, bool hidden = false);

  // `relative` uses "/" between folders.
  bool Skips(std::string_view relative) const;
  bool IsHidden(std::string_view relative) const;
  // A glob without "/" matches the file's name or the name of any folder
  // above it; one with "/" the whole name or the path of a folder above it
  // (a trailing "/" is dropped). The wildcards are those of --patch.
  bool IsExcluded(std::string_view relative) const;

  // Drops what it skips from the listing, links left out included.
  void Apply(SkinListing* listing) const;

 private:
  std::vector<std::string> globs_;
  bool hidden_;
};

// Keeps the names of `only` (all when it is empty).
void KeepOnly(SkinListing* listing, const std::vector<std::string>& only);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_FILTER_H
