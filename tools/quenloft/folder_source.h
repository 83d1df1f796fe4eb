// A template file source over one skin folder: every regular file below
// it, named relative to the folder with "/" (the manager may hand names
// back with "\"; both are accepted).
#ifndef QUENLOFT_TOOL_FOLDER_SOURCE_H
#define QUENLOFT_TOOL_FOLDER_SOURCE_H

#include <string>
#include <vector>

#include "quenloft/com_object.h"

namespace quenloft_tool {

// The files of a skin folder, relative, sorted, with "/". Links to folders
// are not followed. A link to a file outside the skin is left out unless
// links are followed: a skin from elsewhere could otherwise copy any file
// the user may read (/etc/shadow, keys) into its output.
struct SkinListing {
  std::vector<std::string> names;
  std::vector<std::string> outside_links;  // "NAME -> REAL PATH", left out
};
SkinListing ListSkinFiles(const std::string& folder, bool follow_links = false);

class FolderSource final : public quenloft::ComObject<FolderSource, ITplFileSource> {
 public:
  // `folder` ends with "/". Files are listed once, sorted, so every run over
  // the same skin sees the same order. Once `stopped` answers true, source
  // paths are answered empty, which makes the copy pass skip the rest.
  static quenloft::ComPtr<FolderSource> Make(const std::string& folder, SkinListing listing,
                                            bool (*stopped)() = nullptr);
  static quenloft::ComPtr<FolderSource> Make(const std::string& folder) {
    return Make(folder, ListSkinFiles(folder));
  }

  const std::vector<std::string>& names() const { return names_; }
  const std::string& folder() const { return folder_; }

  // ITplFileSource
  int32_t QL_CALL Initialize(const char* folder) override;
  int32_t QL_CALL Uninitialize() override;
  int32_t QL_CALL GetFirstName(ICvoString* out, int32_t* position) override;
  int32_t QL_CALL GetNextName(ICvoString* out, int32_t* position) override;
  int32_t QL_CALL GetSourcePath(ICvoString* out, const char* name) override;

 private:
  FolderSource(const std::string& folder, std::vector<std::string> names, bool (*stopped)());

  std::string folder_;
  std::vector<std::string> names_;
  bool (*stopped_)();
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_FOLDER_SOURCE_H
