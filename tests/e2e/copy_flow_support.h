// A file source for end-to-end runs of the copy and update passes (the
// host is the shared recording one), and folder-tree helpers.
#ifndef QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H
#define QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/recording_host.h"
#include "support/self_counted.h"

namespace quenloft_test {

using quenloft::testing::RecordingHost;
using quenloft::testing::SelfCounted;

// Lists the names it was given and maps each to a file below its folder;
// counts the manager's questions for source paths.
class ListSource : public SelfCounted<ITplFileSource> {
 public:
  ListSource(std::string folder, std::vector<std::string> names)
      : folder_(std::move(folder)), names_(std::move(names)) {}
  virtual ~ListSource() = default;

  int32_t QL_CALL Initialize(const char* folder) override {
    temp_folders.emplace_back(folder);
    return 0;
  }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override {
    *position = 0;
    return GetNextName(out, position);
  }
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override {
    if (*position < 0 || static_cast<size_t>(*position) >= names_.size()) {
      out->Empty();
      return 1;
    }
    out->SetText(names_[static_cast<size_t>((*position)++)].c_str());
    return 0;
  }
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override {
    ++source_path_questions;
    std::string path = name;
    const bool drive = path.size() > 1 && path[1] == ':';  // "C:\..." on Windows
    if (path.front() != '/' && path.front() != '\\' && !drive) path = folder_ + path;
    std::replace(path.begin(), path.end(), '\\', '/');
    out->SetText(path.c_str());
    return 0;
  }

  std::vector<std::string> temp_folders;
  int source_path_questions = 0;

 private:
  std::string folder_;
  std::vector<std::string> names_;
};

// Every regular file below a folder, by relative path, with its bytes.
inline std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    tree[std::filesystem::relative(entry.path(), folder).generic_string()] = bytes.str();
  }
  return tree;
}

// Copies a folder tree; false on failure. "dir/" names dir without its
// trailing separator, as the Windows library's copy expects.
inline bool CopyTree(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::path target(to);
  if (!target.has_filename()) target = target.parent_path();
  std::filesystem::create_directories(target, error);
  std::filesystem::copy(from, target,
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::overwrite_existing,
                        error);
  return !error;
}

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H
