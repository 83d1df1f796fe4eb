// CTplResolverModuleList: the host modules a manager loaded and the
// resolver sets they supplied. Results: 1 done, 0 failure.
//
// Modules are named by their file name and looked for only in the folder
// of this library's own file. Every set is uninitialised and released
// before any module is unloaded, so no set outlives the code behind it.
#ifndef QUENLOFT_RESOLVERS_RESOLVER_MODULE_LIST_H
#define QUENLOFT_RESOLVERS_RESOLVER_MODULE_LIST_H

#include <memory>
#include <string>
#include <vector>

#include "platform/module.h"
#include "quenloft/interfaces.h"

namespace quenloft {

class CTplResolverModuleList {
 public:
  CTplResolverModuleList();
  virtual ~CTplResolverModuleList();  // runs Clear
  CTplResolverModuleList(const CTplResolverModuleList&) = delete;
  CTplResolverModuleList& operator=(const CTplResolverModuleList&) = delete;

  // Loads the module (or reuses a loaded one recorded under the same name,
  // ignoring case), obtains a further resolver set from it, configures and
  // initialises the set and keeps it. 1 when a set was added.
  int AddModule(ITplManager* manager, const char* name, const char* host_path,
                const char* host_param);
  // ReleaseSets, then unloads the modules in reverse order of loading.
  int Clear();
  // Uninitialises and releases every set, newest first; the modules stay
  // loaded. Lets an owner drop what the sets registered before the modules'
  // code goes.
  void ReleaseSets();
  // 1 when the module file exists beside this library (even if loading it
  // then failed); runs the module's DllRegisterServer once loaded.
  int LoadModule(platform::ModuleHandle* handle, int* loaded_here, const char* name);
  // Runs DllUnregisterServer and unloads what this list loaded. 1 always.
  int UnloadModule(platform::ModuleHandle handle, int loaded_here, const char* name);

 private:
  struct ModuleRecord {
    virtual ~ModuleRecord() = default;
    std::string name;                         // as the host gave it
    platform::ModuleHandle handle = nullptr;  // null: the file did not load
    int loaded_here = 0;                      // 1: this list loaded it
  };

  // The handle of the first record named `name` (ignoring case), or null.
  platform::ModuleHandle RecordedHandle(const char* name) const;

  // One reference each, from the module's factory; in the order obtained.
  // Raw pointers: releasing module code may throw, and the walks catch it.
  std::vector<ITplResolverSet*> sets_;
  std::vector<std::unique_ptr<ModuleRecord>> modules_;  // in the order loaded
};

}  // namespace quenloft

#endif  // QUENLOFT_RESOLVERS_RESOLVER_MODULE_LIST_H
