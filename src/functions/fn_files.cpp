// The file functions: FileName, LoadFromFile, SaveToFile, MoveFile.
#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>
#include <pmtkWin32FileServices/FileServices.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "frame/boundary.h"
#include "quenloft/string_object.h"
#include "functions/function_table.h"
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

// A path argument made whole. A full path stands as it is; otherwise the
// folder kind (ASCII case ignored) chooses the folder put in front of it:
// "source", "result" and "root" the System folder values, "hostitself"
// the patched file's own name in place of the path, any other kind the
// patched file's folder. Folder values end with a separator, so none is
// inserted. Slashes become backslashes.
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

// The path argument of a run: the first value, completed by the optional
// folder kind.
std::string PathOfRun(ITplMacroCall* call, const std::vector<std::string>& values,
                      ITplManager* manager) {
  static const std::string kNoKind;
  return ResolvePathArgument(values[0], values.size() > 1 ? values[1] : kNoKind, call, manager);
}

class FileNameFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return SetResultText(call, PathOfRun(call, values, Manager().get()));
  }
};

class LoadFromFileFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  // An unreadable or empty file sets no result: the statement's own text
  // becomes its value.
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    const std::string path = PathOfRun(call, values, Manager().get());
    CByteString content;
    if (content.LoadFromFile(path.c_str()) == 0 || content.IsEmpty()) return 0;
    return SetResultText(call, content.GetContent());  // text up to its first zero byte
  }
};

// No argument carries content for the file, so SaveToFile only makes sure
// the file exists: a missing file is created empty, an existing one is
// left exactly as it is. Writing the empty text over an existing file
// would destroy it.
class SaveToFileFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    const std::string path = PathOfRun(call, values, Manager().get());
    if (FileExist(path.c_str()) == 0) {
      if (SafeCreateFile(path.c_str()) == 0) return 1;
      if (CByteString().SaveToFile(path.c_str()) == 0) return 1;
    }
    return SetResultText(call, "");
  }
};

// True when both paths name one existing file (a link or another spelling
// of the same path).
bool SameFile(std::string a, std::string b) {
  // The in-house file functions take both separators; the standard
  // library takes "/" everywhere.
  std::replace(a.begin(), a.end(), '\\', '/');
  std::replace(b.begin(), b.end(), '\\', '/');
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

// Paths are used as given: no folder kinds, no separator conversion.
class MoveFileFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return Guarded(1, [&] { return Move(call, values); });
  }

 private:
  static int32_t Move(ITplMacroCall* call, const std::vector<std::string>& values) {
    const char* source = values[0].c_str();
    if (FileExist(source) == 0) return 1;
    if (values.size() == 1) {
      if (pmtkDeleteFile(source) == 0) return 1;
      return SetResultText(call, "");
    }
    const char* destination = values[1].c_str();
    // Moving a file onto itself leaves it where it is; copying it over
    // itself and then deleting the source would lose it.
    if (SameFile(values[0], values[1])) return SetResultText(call, "");
    if (SafeCreateFile(destination) == 0) return 1;
    // The source goes only once its copy is written, so a failed copy
    // loses nothing; either failure is reported.
    if (pmtkCopyFile(source, destination, 0) == 0) return 1;
    if (pmtkDeleteFile(source) == 0) return 1;
    return SetResultText(call, "");
  }
};

}  // namespace

std::unique_ptr<CTplFunction> MakeFileName(const FunctionEntry& entry,
                                           ITplMacroServices* services) {
  return std::make_unique<FileNameFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeLoadFromFile(const FunctionEntry& entry,
                                               ITplMacroServices* services) {
  return std::make_unique<LoadFromFileFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeSaveToFile(const FunctionEntry& entry,
                                             ITplMacroServices* services) {
  return std::make_unique<SaveToFileFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeMoveFile(const FunctionEntry& entry,
                                           ITplMacroServices* services) {
  return std::make_unique<MoveFileFunction>(entry, services);
}

}  // namespace quenloft
