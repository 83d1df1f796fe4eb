#include "functions/path_argument.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "quenloft/string_object.h"
#include "quenloft/iids.h"

namespace quenloft {

namespace {

// The text of a System value, through the manager; empty without one.
std::string SystemFolder(ITplManager* manager, const char* name) {
  ComPtr<ICvoString> value = NewString();
  if (manager == nullptr || !value) return {};
  manager->ResolveMacroText(name, value.get());
  return ReadString(value.get());
}

// The file name of the patched file that owns the call's expression; false
// when there is none.
bool ContainerFileName(ITplMacroCall* call, std::string* name) {
  ComPtr<ITplUnknown> container;
  call->GetContainer(container.put());
  ComPtr<ITplPatchedFile> file = container.query<ITplPatchedFile>(IID_ITplPatchedFile);
  ComPtr<ICvoString> text = NewString();
  if (!file || !text) return false;
  file->GetFileName(text.get());
  *name = ReadString(text.get());
  return true;
}

}  // namespace

std::string ResolvePathArgument(const std::string& path, const std::string& kind,
                                ITplMacroCall* call, ITplManager* manager) {
  std::string result;
  if (IsFullPathName(path.c_str())) {
    result = path;
  } else {
    const std::string folded = ToLowerAscii(kind.c_str());
    std::string folder;
    bool drop_path = false;
    if (folded == "source") {
      folder = SystemFolder(manager, "System.SourceFolderName");
    } else if (folded == "result") {
      folder = SystemFolder(manager, "System.ResultFolderName");
    } else if (folded == "root") {
      folder = SystemFolder(manager, "System.RootFolderName");
    } else if (std::string file; ContainerFileName(call, &file)) {
      drop_path = folded == "hostitself";
      folder = drop_path ? file : GetSplitDirName(file.c_str());
    }
    result = drop_path ? folder : folder + path;
  }
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

bool SameFile(std::string a, std::string b) {
  // The in-house file functions take both separators; the standard
  // library takes "/" everywhere.
  std::replace(a.begin(), a.end(), '\\', '/');
  std::replace(b.begin(), b.end(), '\\', '/');
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace quenloft
