// Placeholder until the template file cache lands: nothing is cached.
#include "cache/template_file_cache.h"

#include "quenloft/result_codes.h"

namespace quenloft {

struct CTplTemplateFileCache::State {};

CTplTemplateFileCache::CTplTemplateFileCache() : state_(nullptr) {}
CTplTemplateFileCache::~CTplTemplateFileCache() = default;
CTplTemplateFileCache& CTplTemplateFileCache::GetCache() {
  static CTplTemplateFileCache cache;
  return cache;
}
std::string CTplTemplateFileCache::GetExtensionFolder() { return {}; }
const CTplCachedFile* CTplTemplateFileCache::Find(const char*) const { return nullptr; }
int32_t CTplTemplateFileCache::AddFile(const char*) { return 1; }
int32_t CTplTemplateFileCache::CopyFile(const char*, const char*, int32_t) { return 1; }
int32_t CTplTemplateFileCache::GetContent(const char*, CByteString*) const { return 1; }
int32_t CTplTemplateFileCache::IsCached(const char*) const { return TPL_E_FAIL; }
int32_t CTplTemplateFileCache::LoadFolder(const char*) { return 1; }
int32_t CTplTemplateFileCache::WalkFolder(const char*, std::vector<std::string>*) { return 0; }
int32_t CTplTemplateFileCache::Prime() { return 1; }

}  // namespace quenloft
