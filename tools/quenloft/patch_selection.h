// Which copied files the update pass patches: every file whose extension
// has a marker style of its own, plus those matching --patch globs.
#ifndef QUENLOFT_TOOL_PATCH_SELECTION_H
#define QUENLOFT_TOOL_PATCH_SELECTION_H

#include <string>
#include <string_view>
#include <vector>

namespace quenloft_tool {

// Shell wildcards as fnmatch() has them: "*", "?", "[...]" and "\" escapes.
// With `pathname` no wildcard matches "/".
bool GlobMatches(std::string_view pattern, std::string_view text, bool pathname);

class PatchSelection {
 public:
  explicit PatchSelection(std::vector<std::string> globs = {});

  // `relative` uses "/" between folders. A glob matches the whole relative
  // name or, when it holds no "/", the file name alone.
  bool IsPatched(const std::string& relative) const;

 private:
  std::vector<std::string> globs_;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_PATCH_SELECTION_H
