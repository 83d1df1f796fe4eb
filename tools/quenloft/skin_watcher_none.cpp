// Where there is no inotify: --watch is refused.
#include "skin_watcher.h"

namespace quenloft_tool {

std::unique_ptr<SkinWatcher> SkinWatcher::Make(const std::string& /*skin*/,
                                               const std::vector<std::string>& /*extra*/,
                                               bool /*hidden*/, std::string* error) {
  *error = "--watch is available on Linux only (it needs inotify)";
  return nullptr;
}

}  // namespace quenloft_tool
