// The manager's four cache operations forward to the process-wide template
// file cache. Nothing thrown inside crosses the interface.
#include "cache/template_file_cache.h"
#include "frame/boundary.h"
#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::AddFileToCache(const char* path) {
  return Guarded(1, [&] { return CTplTemplateFileCache::GetCache().AddFile(path); });
}

int32_t CTplManagerImpl::CopyThroughCache(const char* source, const char* destination,
                                          int32_t defer) {
  return Guarded(1, [&] {
    return CTplTemplateFileCache::GetCache().CopyFile(source, destination, defer);
  });
}

int32_t CTplManagerImpl::GetFileContent(const char* name, CByteString* content) {
  return Guarded(1, [&] { return CTplTemplateFileCache::GetCache().GetContent(name, content); });
}

int32_t CTplManagerImpl::IsFileCached(const char* name) {
  return Guarded(TPL_E_FAIL,
                 [&] { return CTplTemplateFileCache::GetCache().IsCached(name); });
}

}  // namespace quenloft
