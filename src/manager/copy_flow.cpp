// Placeholder until the copy and update passes land.
#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::CopyFilesByHost() { return 1; }
int32_t CTplManagerImpl::UpdateFilesByHost() { return 1; }
int32_t CTplManagerImpl::CopyTemplateFile(const char*, ICvoString*) { return 1; }
int32_t CTplManagerImpl::UpdateTemplateFile(const char*) { return 1; }
int32_t CTplManagerImpl::WriteDeferredFile(const char*) { return 1; }

}  // namespace quenloft
