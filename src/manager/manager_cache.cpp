// Placeholder until the template file cache lands.
#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::AddFileToCache(const char*) { return 1; }
int32_t CTplManagerImpl::CopyThroughCache(const char*, const char*, int32_t) { return 1; }
int32_t CTplManagerImpl::GetFileContent(const char*, CByteString*) { return 1; }
int32_t CTplManagerImpl::IsFileCached(const char*) { return TPL_E_FAIL; }

}  // namespace quenloft
