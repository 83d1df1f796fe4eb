// Changes to the files of a skin folder as they come, in bursts: an
// editor's save is several events, and a burst is taken whole once the
// folder has been quiet for a moment.
#ifndef QUENLOFT_TOOL_SKIN_WATCHER_H
#define QUENLOFT_TOOL_SKIN_WATCHER_H

#include <memory>
#include <string>
#include <vector>

namespace quenloft_tool {

struct SkinChanges {
  // Files written, made, moved in or removed: relative to the skin with
  // "/", or the absolute path of one of the extra files.
  std::vector<std::string> names;
  bool everything = false;  // events were lost: take every file as changed
};

class SkinWatcher {
 public:
  // Watches `skin` (ending in "/") and every folder below it, folders made
  // later included, hidden ones (".name") only with `hidden`; and the
  // `extra` files, absolute paths outside it. Null with *error where the
  // system cannot watch folders.
  static std::unique_ptr<SkinWatcher> Make(const std::string& skin,
                                           const std::vector<std::string>& extra, bool hidden,
                                           std::string* error);
  virtual ~SkinWatcher() = default;

  // Waits for the next burst of changes; empty once `stopped` answers true.
  virtual SkinChanges Next(bool (*stopped)()) = 0;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_WATCHER_H
