// AddResolverModuleByHost: resolver sets from host modules.
#include <CorvaskUtils/CorvaskUtils.h>

#include <string>

#include "frame/format_text.h"
#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::AddResolverModuleByHost(const char* module_path, const char* host_path,
                                                 const char* host_param) {
  if (module_path == nullptr) return 1;
  return Guarded(1, [&] {
    const std::string label =
        FormatText("****CTplManagerImpl::AddResolverModuleByHost(): %s (%s)",
                   GetSplitFileName(module_path),
                   GetSplitFileName(host_path != nullptr ? host_path : ""));
    CCheckTime timing(label.c_str());
    return module_list_.AddModule(AsManager(), module_path, host_path, host_param) == 1 ? 0 : 1;
  });
}

}  // namespace quenloft
