// CTplResolverModuleList: the host modules a manager loaded and the
// resolver sets they supplied. Results: 1 done, 0 failure.
#ifndef QUENLOFT_RESOLVERS_RESOLVER_MODULE_LIST_H
#define QUENLOFT_RESOLVERS_RESOLVER_MODULE_LIST_H

#include <memory>
#include <string>
#include <vector>

#include "frame/com_ptr.h"
#include "platform/module.h"

namespace quenloft {

class CTplResolverModuleList {
 public:
  CTplResolverModuleList();
  virtual ~CTplResolverModuleList();  // runs Clear
  CTplResolverModuleList(const CTplResolverModuleList&) = delete;
  CTplResolverModuleList& operator=(const CTplResolverModuleList&) = delete;

  int AddModule(ITplManager* manager, const char* name, const char* host_path,
                const char* host_param);
  // Uninitialises and releases every set, newest first, then unloads the
  // modules in reverse order of loading.
  int Clear();
  int LoadModule(platform::ModuleHandle* handle, int* loaded_here, const char* name);
  int UnloadModule(platform::ModuleHandle handle, int loaded_here, const char* name);

  size_t set_count() const { return sets_.size(); }
  size_t module_count() const { return modules_.size(); }

 private:
  struct ModuleRecord {
    virtual ~ModuleRecord() = default;
    std::string name;
    platform::ModuleHandle handle = nullptr;
    int loaded_here = 0;
  };

  std::vector<ITplResolverSet*> sets_;  // one reference each, from the factory
  std::vector<std::unique_ptr<ModuleRecord>> modules_;
};

}  // namespace quenloft

#endif  // QUENLOFT_RESOLVERS_RESOLVER_MODULE_LIST_H
