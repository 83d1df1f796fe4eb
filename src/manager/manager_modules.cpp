// Placeholder until resolver modules land.
#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::AddResolverModuleByHost(const char*, const char*, const char*) {
  return 1;
}

}  // namespace quenloft
