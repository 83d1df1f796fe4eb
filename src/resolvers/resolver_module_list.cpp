// Placeholder until resolver modules land: nothing loads.
#include "resolvers/resolver_module_list.h"

namespace quenloft {

CTplResolverModuleList::CTplResolverModuleList() = default;
CTplResolverModuleList::~CTplResolverModuleList() { Clear(); }
int CTplResolverModuleList::AddModule(ITplManager*, const char*, const char*, const char*) {
  return 0;
}
int CTplResolverModuleList::Clear() { return 1; }
int CTplResolverModuleList::LoadModule(platform::ModuleHandle* handle, int* loaded_here,
                                       const char*) {
  *handle = nullptr;
  *loaded_here = 0;
  return 0;
}
int CTplResolverModuleList::UnloadModule(platform::ModuleHandle, int, const char*) { return 1; }

}  // namespace quenloft
