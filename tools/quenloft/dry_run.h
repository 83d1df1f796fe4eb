// quenloft build --dry-run: what a build would write, written nowhere.
#ifndef QUENLOFT_TOOL_DRY_RUN_H
#define QUENLOFT_TOOL_DRY_RUN_H

#include <string>
#include <vector>

#include "patch_selection.h"

namespace quenloft_tool {

// Prints each destination in `output` (ending in "/") that the skin files
// `names` would be written to, as "copy PATH" or "patch PATH" lines or, with
// `json`, one object. Returns the exit code of a build that succeeded.
int PrintDryRun(const std::string& output, const std::vector<std::string>& names,
                const PatchSelection& selection, bool json);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_DRY_RUN_H
