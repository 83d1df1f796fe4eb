// The process-wide template file cache.
//
// Locks, always taken in this order and none twice by one thread:
//   priming lock        Prime, for its whole run
//   folder-loading lock LoadFolder
//   cache lock          AddFile: serialises writers
//   State::entries_lock readers share it; AddFile holds it exclusively only
//                       while it publishes a finished entry
// Entries are built completely before they are published and never change
// or move afterwards, so a pointer that Find returned stays valid until
// unload without any lock.
#include "cache/template_file_cache.h"

#include <array>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

#include "CorvaskUtils/CorvaskUtils.h"
#include "TAVLOR/ByteString.h"
#include "cache/cached_file.h"
#include "platform/module.h"
#include "pmtkWin32FileServices/FileServices.h"
#include "quenloft/result_codes.h"

namespace quenloft {
namespace {

constexpr size_t kMaxPath = 260;

#if defined(_WIN32)
constexpr const char* kExtensionFolderName = "Pelion5Ext\\";
constexpr std::array<const char*, 3> kTemplateFolders = {
    "template_skin\\", "template_stock\\", "template_skinpreview\\"};
#else
constexpr const char* kExtensionFolderName = "Pelion5Ext/";
constexpr std::array<const char*, 3> kTemplateFolders = {
    "template_skin/", "template_stock/", "template_skinpreview/"};
#endif

// The same file for the cache: equal ignoring ASCII case, "/" and "\"
// alike. FileNameHashCode follows the same rule, so equal keys hash alike.
struct PathHash {
  size_t operator()(const char* path) const noexcept { return FileNameHashCode(path); }
};
struct PathEqual {
  bool operator()(const char* a, const char* b) const noexcept { return PathEqualNoCase(a, b); }
};

// The extension folder, worked out once (thread-safe static initialisation)
// into a fixed buffer that always ends in a zero.
const char* ExtensionFolderBuffer() {
  static const std::array<char, kMaxPath> buffer = [] {
    std::array<char, kMaxPath> text{};
    const std::string own_path = platform::OwnModulePath();
    std::string folder;
    SplitPathName(own_path.c_str(), &folder, nullptr, nullptr);
    folder += kExtensionFolderName;
    folder.copy(text.data(), kMaxPath - 1);
    return text;
  }();
  return buffer.data();
}

// Files are cached only below the extension folder (the cache's root).
bool UnderRoot(const char* path) {
  return path != nullptr && PathStartsWithNoCase(path, ExtensionFolderBuffer());
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

}  // namespace

struct CTplTemplateFileCache::State {
  mutable std::shared_mutex entries_lock;
  // In order of addition; owned. Guarded by entries_lock.
  std::vector<std::unique_ptr<CTplCachedFile>> files;
  // Path (pointing into the entry's own path) to the entry. Only the first
  // entry of a path is ever added, so a lookup gives what a scan of files
  // in order would. Guarded by entries_lock.
  std::unordered_map<const char*, const CTplCachedFile*, PathHash, PathEqual> index;
};

CTplTemplateFileCache::CTplTemplateFileCache() : state_(std::make_unique<State>()) {
  state_->files.reserve(64);
}

CTplTemplateFileCache::~CTplTemplateFileCache() = default;

CTplTemplateFileCache& CTplTemplateFileCache::GetCache() {
  static CTplTemplateFileCache cache;
  return cache;
}

std::string CTplTemplateFileCache::GetExtensionFolder() { return ExtensionFolderBuffer(); }

const CTplCachedFile* CTplTemplateFileCache::Find(const char* path) const {
  if (path == nullptr) return nullptr;
  std::shared_lock<std::shared_mutex> read(state_->entries_lock);
  const auto found = state_->index.find(path);
  return found == state_->index.end() ? nullptr : found->second;
}

int32_t CTplTemplateFileCache::AddFile(const char* path) {
  // The root never changes, so the prefix test needs no lock.
  if (!UnderRoot(path)) return 1;
  static std::mutex cache_lock;
  std::lock_guard<std::mutex> writer(cache_lock);
  if (Find(path) != nullptr) return 0;
  // A path that names no readable file gets no entry: it could never be
  // found, and an empty entry would only cost memory.
  CByteString contents;
  if (FileExist(path) == 0 || contents.LoadFromFile(path) == 0) return 0;
  auto file = std::make_unique<CTplCachedFile>(FileNameHashCode(path), path, std::move(contents));
  const CTplCachedFile* entry = file.get();
  std::unique_lock<std::shared_mutex> publish(state_->entries_lock);
  state_->files.push_back(std::move(file));
  // Should this throw, the entry stays owned but unfindable, like no entry.
  state_->index.emplace(entry->Path().c_str(), entry);
  return 0;
}

int32_t CTplTemplateFileCache::CopyFile(const char* source, const char* destination,
                                        int32_t defer) {
  if (source == nullptr || destination == nullptr) return 1;
  if (SafeCreateFile(destination) == 0) return 1;
  const CTplCachedFile* file = Find(source);
  if (file == nullptr) {
    if (!UnderRoot(source)) {
      if (pmtkCopyFile(source, destination, 0) == 0) return 1;
      return ChangeFileAttributeToNormal(destination) != 0 ? 0 : 1;
    }
    AddFile(source);
    file = Find(source);
    // No such file (or unreadable): nothing was written, and callers take
    // 0 as written.
    if (file == nullptr) return 1;
  }
  if (defer != 0) return 1;  // the caller writes it later from GetContent
  return file->Contents().SaveToFile(destination) != 0 ? 0 : 1;
}

int32_t CTplTemplateFileCache::GetContent(const char* path, CByteString* out) const {
  if (out == nullptr) return 1;
  if (const CTplCachedFile* file = Find(path)) {
    *out = file->Contents();
    return 0;
  }
  // Not cached: read from disk, and keep it that way. A failed read is
  // reported, never handed out as an empty file.
  CByteString from_disk;
  if (path == nullptr || from_disk.LoadFromFile(path) == 0) return 1;
  *out = std::move(from_disk);
  return 0;
}

int32_t CTplTemplateFileCache::IsCached(const char* path) const {
  return Find(path) != nullptr ? TPL_S_OK : TPL_E_FAIL;
}

int32_t CTplTemplateFileCache::LoadFolder(const char* folder) {
  static std::mutex folder_loading_lock;
  std::lock_guard<std::mutex> loading(folder_loading_lock);
  std::string walked = folder != nullptr ? folder : "";
  if (EndsWithSeparator(walked)) walked.pop_back();
  std::vector<std::string> paths;
  paths.reserve(32);
  if (WalkFolder(walked.c_str(), &paths) != 0) {
    // A file may vanish between the walk and now: it is then left out.
    for (const std::string& path : paths) {
      if (FileExist(path.c_str()) != 0) AddFile(path.c_str());
    }
  }
  return 1;
}

int32_t CTplTemplateFileCache::Prime() {
  static std::mutex priming_lock;
  std::lock_guard<std::mutex> priming(priming_lock);
  const std::string extension_folder = GetExtensionFolder();
  CTplTemplateFileCache& cache = GetCache();
  for (const char* name : kTemplateFolders) {
    // Hosts working beside a priming thread are not held up long.
    platform::YieldThread();
    cache.LoadFolder((extension_folder + name).c_str());
  }
  platform::YieldThread();
  return 1;
}

}  // namespace quenloft
