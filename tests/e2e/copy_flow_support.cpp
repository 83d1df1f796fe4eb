#include "e2e/copy_flow_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace quenloft_test {

std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    tree[fs::relative(entry.path(), folder).generic_string()] = bytes.str();
  }
  return tree;
}

bool CopyTree(const std::string& from, const std::string& to) {
  std::error_code error;
  // "dir/" names dir: without its trailing separator, as the Windows
  // library's copy expects.
  fs::path target(to);
  if (!target.has_filename()) target = target.parent_path();
  fs::create_directories(target, error);
  fs::copy(from, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
           error);
  return !error;
}

}  // namespace quenloft_test
