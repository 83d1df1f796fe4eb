// A host's file source for end-to-end runs of the copy and update passes:
// it lists the names it was given and maps each to a file below its folder.
#ifndef QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H
#define QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H

#include <algorithm>
#include <string>
#include <vector>

#include "quenloft/quenloft.h"
#include "support/host_objects.h"

namespace quenloft_test {

class ListSource : public quenloft::testing::SelfCounted<ITplFileSource> {
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
  // A name that is a full path ("/..." or "C:\...") names its own file.
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override {
    ++source_path_questions;
    std::string path = name;
    const bool drive = path.size() > 1 && path[1] == ':';
    if (path.front() != '/' && path.front() != '\\' && !drive) path = folder_ + path;
    std::replace(path.begin(), path.end(), '\\', '/');
    out->SetText(path.c_str());
    return 0;
  }

  std::vector<std::string> temp_folders;  // given to Initialize
  int source_path_questions = 0;

 private:
  std::string folder_;
  std::vector<std::string> names_;
};

}  // namespace quenloft_test

#endif  // QUENLOFT_TESTS_E2E_COPY_FLOW_SUPPORT_H
