// The copy pass, the update pass and the single-file operations behind
// them: a whole template into the result folder.
#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>

#include <optional>

#include "frame/format_text.h"
#include "quenloft/string_object.h"
#include "manager/manager_impl.h"
#include "manager/path_keys.h"
#include "quenloft/conventions.h"
#include "patching/patched_file_impl.h"

namespace quenloft {

namespace {

std::string FileNameWithExtension(const std::string& path) {
  std::string name, extension;
  SplitPathName(path.c_str(), nullptr, &name, &extension);
  return name + extension;
}

}  // namespace

// ---- helpers ---------------------------------------------------------------

std::string CTplManagerImpl::RelativeDestination(const std::string& name) {
  if (name.empty()) return {};
  std::string path = WithBackslashes(name);
  if (IsFullPathName(path.c_str()) == 0) return path;
  // Every path begins with an empty result folder: without one, a file
  // registered by its full path is copied to that full path.
  const std::string& folder = ResultFolder();
  if (path.compare(0, folder.size(), folder) == 0) return path.substr(folder.size());
  return FileNameWithExtension(path);
}

bool CTplManagerImpl::PrepareFolderOnce(const std::string& folder) {
  if (prepared_folders_.count(folder) != 0) return true;
  if (PrepareFolder(folder.c_str()) == 0) return false;
  prepared_folders_.insert(folder);
  return true;
}

void CTplManagerImpl::DeferCopy(const std::string& destination, const std::string& source,
                                bool confined) {
  // The key is the lower-case spelling; the file is written to the spelling
  // as given, which matters on a case-sensitive file system.
  deferred_.insert_or_assign(PathKey(destination), DeferredCopy{destination, source, confined});
}

// ---- copy ------------------------------------------------------------------

std::string CTplManagerImpl::CopyOneFile(std::string name) {
  if (name.empty()) return {};
  const auto* holder = template_files_.HolderOf(PathKey(name));
  if (holder == nullptr) return {};
  const ComPtr<ITplFileSource> source = *holder;  // our own: the source may let go of its files

  ComPtr<ICvoString> source_text = NewString();
  if (!source_text) return {};
  source->GetSourcePath(source_text.get(), name.c_str());
  const std::string source_path = ReadString(source_text.get());

  const std::string relative = RelativeDestination(name);
  const std::string destination = ResultFolder() + relative;
  if (FileExist(source_path.c_str()) == 0) return {};
  // Checked before a folder is made: a link in the output would take even
  // that elsewhere.
  if (!InsideResultFolder(destination, platform::LastLink::kKeep)) return {};

  if (!GetSplitDirName(relative.c_str()).empty()) {
    PrepareFolderOnce(GetSplitDirName(destination.c_str()));
  }
  if (CopyThroughCache(source_path.c_str(), destination.c_str(), 1) != 0) {
    DeferCopy(destination, source_path, true);
  }
  if (host_ && FileExist(destination.c_str()) != 0) host_->NotifyFile(destination.c_str());
  return destination;
}

int32_t CTplManagerImpl::CopyFilesByHost() {
  return Guarded(1, [&] {
    // Inside: a timer's label is copied, and that may throw.
    CCheckTime outer("****CTplManagerImpl::CopyFilesByHost()");
    CCheckTime inner("****CTplManagerImpl::CopyFiles()");
    // The length is read again before each index: a source may register
    // further files while we copy.
    for (size_t i = 0; i < template_files_.size(); ++i) {
      if (!template_files_.done(i)) CopyOneFile(template_files_.name(i));
      template_files_.MarkDone(i);
    }
    return 0;
  });
}

int32_t CTplManagerImpl::CopyTemplateFile(const char* name, ICvoString* out) {
  if (name == nullptr || *name == '\0' || out == nullptr) return 1;
  return Guarded(1, [&]() -> int32_t {
    const std::string label = FormatText("****CTplManagerImpl::CopyTemplateFile(): %s%s",
                                     GetSplitFileName(name), GetSplitExtName(name));
    CCheckTime timer(label.c_str());
    const std::string key = PathKey(name);
    if (!template_files_.Holds(key)) return 1;

    // The entries that match the name ignoring case are those listed under
    // its key. The host is asked whether to go on after every entry the
    // search passes, matching or not.
    const std::string destination = ReadString(out);
    size_t match = template_files_.FirstWithKey(key);
    for (size_t i = 0; i < template_files_.size(); ++i) {
      if (i == match) {
        if (CopyListedFile(i, key, destination, out)) return 0;
        match = template_files_.NextWithKey(i);
      }
      if (host_ && host_->ShouldContinue() == 0) return 0;
    }
    return 1;
  });
}

bool CTplManagerImpl::CopyListedFile(size_t index, const std::string& key,
                                     const std::string& destination, ICvoString* out) {
  // The source asked for the file may register more files, which moves the
  // entries of the list: nothing of it is held across a call to the source.
  if (destination.empty()) {
    // Once per file, like the copy pass; a copied file lets the search go on.
    if (template_files_.done(index)) return false;
    WriteString(out, CopyOneFile(template_files_.name(index)));
    template_files_.MarkDone(index);
    return true;
  }
  // An explicit destination: copied again, whatever the flag says, and
  // neither the flag, the host nor out hear of it. It is the host's own
  // choice, so it may lie outside the result folder.
  const auto* holder = template_files_.HolderOf(key);
  if (holder == nullptr) return false;
  const ComPtr<ITplFileSource> source = *holder;
  ComPtr<ICvoString> source_text = NewString();
  if (source_text) {
    const std::string listed = template_files_.name(index);
    source->GetSourcePath(source_text.get(), listed.c_str());
  }
  const std::string source_path = ReadString(source_text.get());
  if (FileExist(source_path.c_str()) == 0) return false;
  PrepareFolderOnce(GetSplitDirName(destination.c_str()));
  if (CopyThroughCache(source_path.c_str(), destination.c_str(), 1) != 0) {
    DeferCopy(destination, source_path, false);
  }
  return true;
}

// ---- update ----------------------------------------------------------------

std::string CTplManagerImpl::UpdateOneFile(const std::string& path) {
  if (path.empty()) return {};
  // The update step makes its patched files itself, so it holds them by
  // their class and learns whether the write succeeded. A file that could
  // not be read or written is a failure, reported below.
  bool written = false;
  std::string notified = path;
  auto deferred = deferred_.find(PathKey(path));
  if (deferred == deferred_.end()) {
    // Read first, so a link at the destination is followed; it must not
    // lead out of the result folder either.
    if (FileExist(path.c_str()) != 0 && InsideResultFolder(path, platform::LastLink::kFollow)) {
      const ComPtr<CTplPatchedFileImpl> file = MakeOwnPatchedFile(AsServices());
      if (file) {
        file->LoadFromFile(path.c_str());
        written = file->Save(path.c_str());
      }
    }
  } else {
    const DeferredCopy copy = deferred->second;
    deferred_.erase(deferred);
    notified = copy.destination;
    CByteString content;
    if (Confined(copy) && GetFileContent(copy.source.c_str(), &content) == 0 &&
        SafeCreateFile(copy.destination.c_str()) != 0) {
      if (content.HasZeroByte()) {
        // Binary or UTF-16 content is never truncated at its first zero
        // byte: it is written unchanged.
        written = content.SaveToFile(copy.destination.c_str()) != 0;
      } else if (const ComPtr<CTplPatchedFileImpl> file = MakeOwnPatchedFile(AsServices())) {
        file->SetText(content.GetContent());
        file->AttachFileName(copy.destination.c_str());
        written = file->Save(copy.destination.c_str());
      }
    }
  }
  if (host_) {
    host_->NotifyFile(notified.c_str());
    if (!written) ReportUpdateFailure(path);
  }
  return written ? notified : std::string();
}

void CTplManagerImpl::ReportUpdateFailure(const std::string& path) {
  const std::string relative = ExcludeFolder(path.c_str(), result_folder_.c_str());
  host_->Output(FormatText(kUpdateFailedMessage, relative).c_str());
}

int32_t CTplManagerImpl::UpdateTemplateFile(const char* path) {
  Guarded(0, [&] {
    UpdateOneFile(path == nullptr ? std::string() : std::string(path));
    return 0;
  });
  return 0;
}

int32_t CTplManagerImpl::UpdateFilesByHost() {
  std::optional<CCheckTime> timer;  // lives through the flush as well
  const int32_t loop = Guarded(1, [&] {
    timer.emplace("****CTplManagerImpl::UpdateFilesByHost()");
    int shown = 0;  // percent already shown as dots
    for (size_t i = 0; i < update_files_.size(); ++i) {
      const size_t count = update_files_.size();
      if (host_) {
        const int percent = static_cast<int>(static_cast<double>(i) * (100.0 / count));
        if (percent > shown) {
          host_->Output(std::string(static_cast<size_t>(percent - shown), '.').c_str());
          shown = percent;
        }
        host_->Progress(static_cast<int32_t>(i), static_cast<int32_t>(count));
      }
      if (!update_files_.done(i)) {
        const std::string name = update_files_.name(i);  // before anything calls out
        UpdateOneFile(ResultFolder() + name);
      }
      update_files_.MarkDone(i);
    }
    return 0;
  });
  if (loop != 0) {
    // Files already written stay written; the deferred ones still follow.
    Guarded(0, [&] {
      FlushDeferredFiles();
      return 0;
    });
    return 1;
  }
  return Guarded(1, [&] {
    if (host_) {
      host_->Output("\r\n");
      if (host_->ShouldContinue() == 0) return 0;
    }
    FlushDeferredFiles();
    return 0;
  });
}

bool CTplManagerImpl::Confined(const DeferredCopy& copy) {
  return !copy.confined || InsideResultFolder(copy.destination, platform::LastLink::kKeep);
}

void CTplManagerImpl::FlushDeferredFiles() {
  for (const auto& [key, copy] : deferred_) {
    if (!copy.source.empty()) {
      const bool written = Confined(copy) && SafeCreateFile(copy.destination.c_str()) != 0 &&
                           WriteDeferredFile(copy.destination.c_str()) == 0;
      // A file the pass failed to write is reported like a failed update:
      // otherwise a full disk would leave a stale or missing file unsaid.
      if (!written && host_) ReportUpdateFailure(copy.destination);
    }
    if (host_ && host_->ShouldContinue() == 0) break;
  }
}

int32_t CTplManagerImpl::WriteDeferredFile(const char* path) {
  if (path == nullptr || *path == '\0') return 1;
  return Guarded(1, [&] {
    auto found = deferred_.find(PathKey(path));
    if (found == deferred_.end()) return 1;
    const DeferredCopy& copy = found->second;
    CByteString content;
    if (!Confined(copy) || GetFileContent(copy.source.c_str(), &content) != 0) return 1;
    if (SafeCreateFile(copy.destination.c_str()) == 0) return 1;
    return content.SaveToFile(copy.destination.c_str()) != 0 ? 0 : 1;
  });
}

}  // namespace quenloft
