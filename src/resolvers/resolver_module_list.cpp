#include "resolvers/resolver_module_list.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include <cstring>

#include "frame/boundary.h"

namespace quenloft {

namespace {

using FactoryFn = int32_t(QL_CALL*)(ITplResolverSet** out);
using RegistrationFn = int32_t(QL_CALL*)();

constexpr char kFactoryName[] = "CreateTemplateResolversInstance";
constexpr char kRegisterName[] = "DllRegisterServer";
constexpr char kUnregisterName[] = "DllUnregisterServer";

// A module is named by its file name: a name with a separator (or "." and
// "..") would reach outside the folder that modules are looked for in.
bool IsPlainFileName(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  return std::strpbrk(name, "/\\") == nullptr;
}

// The folder of this library's own file, with its trailing separator;
// empty when the platform cannot tell.
std::string OwnFolder() {
  const std::string own = platform::OwnModulePath();
  if (own.empty()) return {};
  std::string folder;
  SplitPathName(own.c_str(), &folder, nullptr, nullptr);
  return folder;
}

// Runs an optional registration entry point; its result and any exception
// it raises are ignored, so loading and unloading always finish.
void RunRegistration(platform::ModuleHandle handle, const char* entry_name) {
  auto entry = reinterpret_cast<RegistrationFn>(platform::FindEntryPoint(handle, entry_name));
  if (entry != nullptr) Guarded(1, [&] { return entry(); });
}

// Ends a set's work the way its contract asks: Uninitialize, then the last
// Release. Module code may throw; each step is guarded on its own.
void DropSet(ITplResolverSet* set) {
  Guarded(1, [&] { return set->Uninitialize(); });
  Guarded(1, [&] { return set->Release(); });
}

// Makes sure the next push_back cannot throw, keeping geometric growth.
template <class Vector>
void MakeRoomForOne(Vector& v) {
  if (v.size() == v.capacity()) v.reserve(v.capacity() * 2 + 4);
}

}  // namespace

CTplResolverModuleList::CTplResolverModuleList() {
  sets_.reserve(8);
  modules_.reserve(4);
}

CTplResolverModuleList::~CTplResolverModuleList() { Clear(); }

platform::ModuleHandle CTplResolverModuleList::RecordedHandle(const char* name) const {
  for (const auto& record : modules_) {
    if (CompareNoCaseAscii(record->name.c_str(), name) == 0) return record->handle;
  }
  return nullptr;
}

int CTplResolverModuleList::AddModule(ITplManager* manager, const char* name,
                                      const char* host_path, const char* host_param) {
  if (manager == nullptr || !IsPlainFileName(name)) return 0;
  return Guarded(0, [&] {
    platform::ModuleHandle handle = RecordedHandle(name);
    if (handle == nullptr) {
      // Room first, so that a module once loaded is always recorded (and
      // so unloaded by Clear).
      MakeRoomForOne(modules_);
      auto record = std::make_unique<ModuleRecord>();
      record->name = name;
      if (LoadModule(&record->handle, &record->loaded_here, name) == 0) return 0;
      handle = record->handle;
      modules_.push_back(std::move(record));
      if (handle == nullptr) return 0;
    }

    auto factory = reinterpret_cast<FactoryFn>(platform::FindEntryPoint(handle, kFactoryName));
    if (factory == nullptr) return 0;
    // Room first, so that keeping a configured set cannot fail.
    MakeRoomForOne(sets_);
    ITplResolverSet* set = nullptr;
    const bool configured = Guarded(false, [&] {
      factory(&set);  // its result is not used: the out-pointer tells
      if (set == nullptr) return false;
      // The set's own results are not looked at: it is kept all the same.
      set->SetHostParam(host_param);
      set->SetHostPath(host_path);
      set->SetManager(manager);
      set->Initialize();
      return true;
    });
    if (!configured) {
      // A set that failed half-way may have registered some resolvers;
      // Uninitialize lets it take them back before it goes.
      if (set != nullptr) DropSet(set);
      return 0;
    }
    sets_.push_back(set);
    return 1;
  });
}

void CTplResolverModuleList::ReleaseSets() {
  // Newest first. Each set leaves the array before its calls run, so a set
  // that calls back into its manager never meets itself here again.
  while (!sets_.empty()) {
    ITplResolverSet* set = sets_.back();
    sets_.pop_back();
    DropSet(set);
  }
}

int CTplResolverModuleList::Clear() {
  ReleaseSets();
  while (!modules_.empty()) {
    std::unique_ptr<ModuleRecord> record = std::move(modules_.back());
    modules_.pop_back();
    UnloadModule(record->handle, record->loaded_here, record->name.c_str());
  }
  return 1;
}

int CTplResolverModuleList::LoadModule(platform::ModuleHandle* handle, int* loaded_here,
                                       const char* name) {
  *handle = nullptr;
  *loaded_here = 0;
  if (!IsPlainFileName(name)) return 0;
  const std::string folder = OwnFolder();
  if (folder.empty()) return 0;
  if (FileExist((folder + name).c_str()) == 0) return 0;

  // A module the process loaded already is used as it is; only what this
  // list loads is unloaded again. The lookup is by the full path: a bare
  // name would search the loader's paths, which differ by caller (and under
  // sanitizers, whose dlopen wrapper becomes the caller) and may name a
  // same-named file elsewhere.
  *handle = platform::FindLoadedModule(folder + name);
  if (*handle == nullptr) {
    *handle = platform::LoadModule(folder + name);
    *loaded_here = 1;
  }
  if (*handle != nullptr) RunRegistration(*handle, kRegisterName);
  return 1;
}

int CTplResolverModuleList::UnloadModule(platform::ModuleHandle handle, int loaded_here,
                                         const char* /*name*/) {
  // The handle decides, not whether the file is still there: a module whose
  // file was deleted after loading is still unregistered and unloaded.
  if (handle == nullptr) return 1;
  RunRegistration(handle, kUnregisterName);
  if (loaded_here == 1) platform::ReleaseModule(handle);
  return 1;
}

}  // namespace quenloft
