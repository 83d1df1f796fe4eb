#include "patch_selection.h"

#include <fnmatch.h>

#include <algorithm>

namespace quenloft_tool {

PatchSelection::PatchSelection(std::vector<std::string> globs) : globs_(std::move(globs)) {}

const std::vector<std::string>& PatchSelection::DefaultExtensions() {
  // The extensions to which the patcher gives a marker style beyond %%%...%%%.
  static const std::vector<std::string> kExtensions = {
      ".htm", ".html", ".htx", ".hhc", ".hhk", ".xml", ".xsl",
      ".js",  ".css",  ".ini", ".hhs", ".res"};
  return kExtensions;
}

bool PatchSelection::IsPatched(const std::string& relative) const {
  const size_t slash = relative.rfind('/');
  const std::string file = slash == std::string::npos ? relative : relative.substr(slash + 1);
  const size_t dot = file.rfind('.');
  if (dot != std::string::npos) {
    std::string extension = file.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    const auto& defaults = DefaultExtensions();
    if (std::find(defaults.begin(), defaults.end(), extension) != defaults.end()) return true;
  }
  for (const std::string& glob : globs_) {
    const bool has_folder = glob.find('/') != std::string::npos;
    const std::string& subject = has_folder ? relative : file;
    if (fnmatch(glob.c_str(), subject.c_str(), has_folder ? FNM_PATHNAME : 0) == 0) return true;
  }
  return false;
}

}  // namespace quenloft_tool
