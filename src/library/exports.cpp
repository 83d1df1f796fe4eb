// The library's three exports: the only symbols libquenloft.so shows.
#include "quenloft/exports.h"

#include "cache/template_file_cache.h"
#include "frame/boundary.h"
#include "manager/manager_impl.h"
#include "resolvers/resolver_set.h"

extern "C" {

QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateManagerInstance(ITplManager** out) {
  return quenloft::CreateManagerInstance(out);
}

QL_EXPORT_SYMBOL int32_t QL_CALL CreateTemplateResolversInstance(ITplResolverSet** out) {
  return quenloft::CreateResolverSetInstance(out);
}

QL_EXPORT_SYMBOL int32_t QL_CALL InitTemplateFilesToCache() {
  return quenloft::Guarded(1, [] { return quenloft::CTplTemplateFileCache::Prime(); });
}

}  // extern "C"
