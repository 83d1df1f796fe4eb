// Where files may be read and written: the roots of the file functions of
// templates, the result folder that every destination of the copy and
// update passes stays in, and the other answers of ITplSandbox.
//
// Paths are compared by their real paths (platform/real_path.h), so
// neither "..", nor a link in the skin or the output, nor a spelling with
// backslashes leads anywhere else than it seems to.
#include <CorvaskUtils/CorvaskUtils.h>

#include <string_view>

#include "cache/template_file_cache.h"
#include "frame/format_text.h"
#include "manager/manager_impl.h"
#include "quenloft/conventions.h"

namespace quenloft {

namespace {

struct Root {
  std::string_view folder;  // as the host gave it
  bool writable;
};

// True when real lies in one of the folders of a list separated by
// kFolderListSeparator.
bool InsideListed(const std::string& real, std::string_view list) {
  while (!list.empty()) {
    const size_t end = list.find(kFolderListSeparator);
    const std::string folder(list.substr(0, end));
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    const auto real_folder = platform::RealPath(folder, platform::LastLink::kFollow);
    if (real_folder && platform::IsWithin(real, *real_folder)) return true;
  }
  return false;
}

}  // namespace

int32_t CTplManagerImpl::CheckFileAccess(const char* path, FileAccess access, std::string* real) {
  if (path == nullptr || real == nullptr) return 1;
  return Guarded(1, [&] {
    const bool write = access == FileAccess::kWrite;
    const auto where =
        platform::RealPath(path, write ? platform::LastLink::kKeep : platform::LastLink::kFollow);
    const auto value = [&](const char* name) -> std::string_view {
      const auto found = system_values_.find(name);
      return found == system_values_.end() ? std::string_view() : found->second;
    };
    const std::string extension_folder = CTplTemplateFileCache::GetExtensionFolder();
    const Root roots[] = {
        {value("System.SourceFolderName"), false}, {value("System.ResultFolderName"), true},
        {value("System.RootFolderName"), true},    {temp_folder_, true},
        {extension_folder, false},
    };
    bool allowed = false;
    if (where) {
      for (const Root& root : roots) {
        if (root.folder.empty() || (write && !root.writable)) continue;
        const auto real_root = platform::RealPath(root.folder, platform::LastLink::kFollow);
        if (real_root && platform::IsWithin(*where, *real_root)) allowed = true;
      }
      allowed = allowed || InsideListed(*where, value(kWriteFoldersValue)) ||
                (!write && InsideListed(*where, value(kReadFoldersValue)));
    }
    if (!allowed) {
      bounds_.Tell(FormatText(kFileAccessRefusedMessage, path), host_.get());
      return 1;
    }
    *real = *where;
    return 0;
  });
}

int32_t CTplManagerImpl::GetLimits(WorkLimits* out) {
  if (out != nullptr) *out = bounds_.limits();
  return 0;
}

int32_t CTplManagerImpl::ReportRefusal(const char* text) {
  if (text == nullptr) return 0;
  return Guarded(0, [&] {
    bounds_.Tell(text, host_.get());
    if (diagnostics_.on()) {
      // The message, less its prefix and line end, is the reason.
      std::string_view reason = text;
      if (reason.substr(0, kTemplateErrorPrefix.size()) == kTemplateErrorPrefix)
        reason.remove_prefix(kTemplateErrorPrefix.size());
      while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.remove_suffix(1);
      diagnostics_.Explain(nesting_depth_, kRefusedCode, reason);
    }
    return 0;
  });
}

int32_t CTplManagerImpl::Diagnosing() { return diagnostics_.on() ? 0 : 1; }

int32_t CTplManagerImpl::Explain(const char* code, const char* reason) {
  if (code == nullptr || reason == nullptr) return 0;
  return Guarded(0, [&] {
    diagnostics_.Explain(nesting_depth_, code, reason);
    return 0;
  });
}

bool CTplManagerImpl::InsideResultFolder(const std::string& destination,
                                         platform::LastLink last) {
  const std::string& folder = ResultFolder();
  if (folder.empty()) return true;
  // Relative paths are where the operating system takes them: below the
  // working folder.
  const auto real_path_of = [](const std::string& path, platform::LastLink link) {
    if (IsFullPathName(path.c_str()) != 0) return platform::RealPath(path, link);
    return platform::RealPath(platform::WorkingFolder() + "/" + path, link);
  };
  if (!real_result_folder_) {
    real_result_folder_ = real_path_of(folder, platform::LastLink::kFollow);
    if (!real_result_folder_) real_result_folder_.emplace();  // nothing lies inside
  }
  // The folder of a destination is resolved once: what the passes write
  // there adds no links.
  const std::string destination_folder = GetSplitDirName(destination.c_str());
  bool inside = confined_folders_.count(destination_folder) != 0;
  if (!inside) {
    const auto real = real_path_of(destination_folder, platform::LastLink::kFollow);
    inside = real && platform::IsWithin(*real, *real_result_folder_);
    if (inside) confined_folders_.insert(destination_folder);
  }
  // A link at the destination itself is replaced by a write; a read would
  // follow it.
  if (inside && last == platform::LastLink::kFollow && platform::IsSymbolicLink(destination)) {
    const auto real = real_path_of(destination, platform::LastLink::kFollow);
    inside = real && platform::IsWithin(*real, *real_result_folder_);
  }
  if (!inside && host_) host_->Output(FormatText(kDestinationRefusedMessage, destination).c_str());
  return inside;
}

}  // namespace quenloft
