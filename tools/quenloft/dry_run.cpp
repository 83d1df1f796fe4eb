#include "dry_run.h"

#include <cstdio>

#include "options.h"
#include "summary.h"

namespace quenloft_tool {

int PrintDryRun(const std::string& output, const std::vector<std::string>& names,
                const PatchSelection& selection, bool json) {
  std::string text = json ? "{\"output\":" + JsonString(output) + ",\"files\":[" : "";
  bool first = true;
  for (const std::string& name : names) {
    const char* action = selection.IsPatched(name) ? "patch" : "copy";
    if (!json) {
      text += std::string(action) + " " + output + name + "\n";
      continue;
    }
    if (!first) text += ",";
    first = false;
    text += "{\"action\":\"" + std::string(action) + "\",\"file\":" + JsonString(output + name) +
            "}";
  }
  if (json) text += "]}\n";
  std::fputs(text.c_str(), stdout);
  return kExitOk;
}

}  // namespace quenloft_tool
