// CTplTemplateFileCache::WalkFolder: lists the files below a template
// folder, depth first, in the order the file system yields them.
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "CorvaskUtils/CorvaskUtils.h"
#include "cache/template_file_cache.h"

namespace quenloft {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The operating system is given "/" whatever the caller wrote; the listed
// paths keep the caller's spelling.
fs::path SystemPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return fs::path(std::move(path));
}

struct OpenFolder {
  std::string path;  // as it is listed, without a trailing separator
  fs::directory_iterator next;
};

// A folder that cannot be opened (gone, or not readable) lists nothing.
void Open(std::vector<OpenFolder>& stack, std::string path) {
  std::error_code error;
  fs::directory_iterator first(SystemPath(path), error);
  if (error) return;
  stack.push_back({std::move(path), std::move(first)});
}

}  // namespace

int32_t CTplTemplateFileCache::WalkFolder(const char* folder, std::vector<std::string>* paths) {
  if (folder == nullptr || *folder == '\0') return 1;
  if (FolderExist(folder) == 0) return 0;
  if (paths == nullptr) return 1;

  // The listing never holds the same path twice.
  std::unordered_set<std::string> listed(paths->begin(), paths->end());
  // One open folder per level: a subfolder is walked where it is met, and
  // the depth is bounded by memory, not by the call stack.
  std::vector<OpenFolder> stack;
  Open(stack, folder);
  while (!stack.empty()) {
    OpenFolder& top = stack.back();
    if (top.next == fs::directory_iterator()) {
      stack.pop_back();
      continue;
    }
    std::error_code error;
    const fs::directory_entry& entry = *top.next;
    std::string path = top.path + kSeparator + entry.path().filename().string();
    // symlink_status does not follow links: a link to a folder is listed
    // like a file (LoadFolder then skips it), so a link cycle ends here.
    const bool is_folder = entry.symlink_status(error).type() == fs::file_type::directory;
    top.next.increment(error);
    if (error) top.next = fs::directory_iterator();
    if (is_folder) {
      Open(stack, std::move(path));  // may reallocate the stack: top is stale
    } else if (listed.insert(path).second) {
      paths->push_back(std::move(path));
    }
  }
  return 1;
}

}  // namespace quenloft
