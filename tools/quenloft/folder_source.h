// A template file source over one skin folder: every regular file below
// it, named relative to the folder with "/" (the manager may hand names
// back with "\"; both are accepted).
#ifndef QUENLOFT_TOOL_FOLDER_SOURCE_H
#define QUENLOFT_TOOL_FOLDER_SOURCE_H

#include <string>
#include <vector>

#include "quenloft/com_object.h"

namespace quenloft_tool {

class FolderSource final : public quenloft::ComObject<FolderSource, ITplFileSource> {
 public:
  // `folder` ends with "/". Files are listed once, sorted, so every run over
  // the same skin sees the same order. Links to folders are not followed.
  static quenloft::ComPtr<FolderSource> Make(const std::string& folder);

  const std::vector<std::string>& names() const { return names_; }
  const std::string& folder() const { return folder_; }

  // ITplFileSource
  int32_t QL_CALL Initialize(const char* folder) override;
  int32_t QL_CALL Uninitialize() override;
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override;
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override;
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override;

 private:
  explicit FolderSource(const std::string& folder);

  std::string folder_;
  std::vector<std::string> names_;
};

// Lists the regular files below `folder` (ending in "/"), relative, sorted.
std::vector<std::string> ListSkinFiles(const std::string& folder);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_FOLDER_SOURCE_H
