// CTplTemplateFileCache: the process-wide cache of the template files below
// the extension folder ("Pelion5Ext/" beside this library's own file).
// Entries are only ever appended and live until unload. Readers (Find,
// CopyFile, GetContent, IsCached) are safe while a priming thread appends.
#ifndef QUENLOFT_CACHE_TEMPLATE_FILE_CACHE_H
#define QUENLOFT_CACHE_TEMPLATE_FILE_CACHE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CByteString;

namespace quenloft {

class CTplCachedFile;

class CTplTemplateFileCache {
 public:
  // The process's cache, created on first use.
  static CTplTemplateFileCache& GetCache();
  // The extension folder with its trailing separator (at most 259 bytes).
  static std::string GetExtensionFolder();

  // Null when the path is not cached. The entry never moves or goes away.
  const CTplCachedFile* Find(const char* path) const;
  // 0 cached (already or now); 1 not under the extension folder.
  int32_t AddFile(const char* path);
  // 0 destination written; 1 not written (failure, or deferred).
  int32_t CopyFile(const char* source, const char* destination, int32_t defer);
  // 1 for a null out or an uncached file that cannot be read (out is then
  // unchanged); otherwise 0, with the cached bytes or the file read from
  // disk (not cached).
  int32_t GetContent(const char* path, CByteString* out) const;
  // 0 cached, TPL_E_FAIL not.
  int32_t IsCached(const char* path) const;
  // Walks a folder into the cache under the folder-loading lock. 1.
  int32_t LoadFolder(const char* folder);
  // Depth first; 1 done (or empty folder path), 0 no such folder. Links to
  // folders are not followed, so a link cycle cannot trap the walk.
  static int32_t WalkFolder(const char* folder, std::vector<std::string>* paths);

  // The body of the export InitTemplateFilesToCache. Always 1.
  static int32_t Prime();

 private:
  CTplTemplateFileCache();
  ~CTplTemplateFileCache();
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quenloft

#endif  // QUENLOFT_CACHE_TEMPLATE_FILE_CACHE_H
