#include "manager/manager_impl.h"

#include <CorvaskUtils/CorvaskUtils.h>

#include "quenloft/string_object.h"
#include "manager/path_keys.h"
#include "patching/objects.h"

namespace quenloft {

namespace {

// One of the host's optional interfaces (ITplHostControl, ITplDiagnostics);
// null for a host that does not answer (or whose QueryInterface throws).
template <class Interface>
ComPtr<Interface> OptionalOf(ITplHostCallback* host, const TplIID& iid) {
  ComPtr<Interface> answer;
  if (host == nullptr) return answer;
  Guarded(0, [&] {
    void* out = nullptr;
    if (host->QueryInterface(iid, &out) == 0 && out != nullptr) {
      answer = ComPtr<Interface>::adopt(static_cast<Interface*>(out));
    }
    return 0;
  });
  return answer;
}

// Matches the keys of the template file list that source holds.
auto HeldBy(ITplFileSource* source) {
  return [source](const ComPtr<ITplFileSource>& holder) { return holder.get() == source; };
}

}  // namespace

int32_t CreateManagerInstance(ITplManager** out, EvaluationPath path) {
  if (out == nullptr) return 0;
  *out = nullptr;
  return Guarded(1, [&] {
    *out = ComPtr<ITplManager>::retain(new CTplManagerImpl(path)).detach();
    return 0;
  });
}

std::span<const QIEntry> CTplManagerImpl::InterfaceTable() {
  static const QIEntry kTable[] = {
      {&IID_ITplManager, &InterfaceOf<CTplManagerImpl, ITplManager>},
      {&IID_ITplMacroServices, &InterfaceOf<CTplManagerImpl, ITplMacroServices>},
      {&IID_ITplFileCopier, &InterfaceOf<CTplManagerImpl, ITplFileCopier>},
      {&IID_ITplVariables,
       [](void* self) -> ITplUnknown* { return static_cast<CTplManagerImpl*>(self)->GlobalScope(); }},
      {&IID_ITplSandbox, &InterfaceOf<CTplManagerImpl, ITplSandbox>},
  };
  return kTable;
}

CTplManagerImpl::CTplManagerImpl(EvaluationPath path)
    : MacroEngine(AsServices()), fast_paths_(path == EvaluationPath::kFast) {
  CreateTempFolder();
  deferred_.reserve(63);
  system_values_.reserve(17);
}

CTplManagerImpl::~CTplManagerImpl() {
  // Objects torn down below may call back and take a reference for a
  // moment; a count above 0 keeps that from destroying us a second time.
  AddRef();
  bounds_.SetControl(nullptr);
  diagnostics_.SetSink(nullptr);
  host_.reset();
  // Resolver sets of a host that skipped Terminate are let go while the
  // registry and the manager are still whole: their Uninitialize may call
  // back into us. Their modules are unloaded only when the module list
  // goes, after the registry has released every resolver their code backs.
  module_list_.ReleaseSets();
  RemoveTempFolder();
  // Both withdraw their names through UnregisterName, so the registry must
  // still stand.
  global_scope_.reset();
  system_resolver_.reset();
  registry_.Clear();
  // From here on, what a host still holds of our objects (or releases
  // while our members go) answers without us.
  EndLife();
}

ITplVariables* CTplManagerImpl::GlobalScope() {
  if (!global_scope_) global_scope_ = MakeVariableScope(OwnMaker(), kGlobalScopeName);
  return global_scope_.get();
}

const std::string& CTplManagerImpl::ResultFolder() {
  if (result_folder_.empty()) {
    ComPtr<ICvoString> value = NewString();
    if (value) {
      // The manager's own question: an unset folder is no author's mistake.
      const Diagnostics::Quiet quiet(diagnostics_);
      ResolveMacroText("System.ResultFolderName", value.get());
      result_folder_ = WithBackslashes(ReadString(value.get()));
    }
  }
  return result_folder_;
}

// ---- ITplFileCopier: start and stop ----------------------------------------

int32_t CTplManagerImpl::Initialize(ITplHostCallback* host) {
  return Guarded(1, [&] {
    // A host stored by an earlier Initialize is released, not leaked.
    host_ = ComPtr<ITplHostCallback>::retain(host);
    bounds_.SetControl(OptionalOf<ITplHostControl>(host, IID_ITplHostControl));
    diagnostics_.SetSink(OptionalOf<ITplDiagnostics>(host, IID_ITplDiagnostics));
    update_files_.Clear();
    module_list_.Clear();
    registry_.InitTable();
    if (!system_resolver_) {
      system_resolver_ = MakeSystemResolver(&system_values_, AsServices());
    } else {
      // A restart after Terminate: "System" keeps resolving.
      registry_.Register("System", system_resolver_.get());
    }
    return 0;
  });
}

int32_t CTplManagerImpl::Terminate() {
  return Guarded(1, [&] {
    update_files_.Clear();
    registry_.Clear();
    module_list_.Clear();
    bounds_.SetControl(nullptr);
    diagnostics_.SetSink(nullptr);
    host_.reset();
    return 0;
  });
}

// ---- ITplManager: resolvers, sources, names --------------------------------

int32_t CTplManagerImpl::AddResolver(ITplResolver* resolver) {
  if (resolver == nullptr) return 1;
  return registry_.RegisterAll(resolver) == 1 ? 0 : 1;
}

int32_t CTplManagerImpl::RemoveResolver(ITplResolver* resolver) {
  if (resolver == nullptr) return 1;
  return registry_.UnregisterAll(resolver) == 1 ? 0 : 1;
}

int32_t CTplManagerImpl::AddFileSource(ITplFileSource* source) {
  if (source == nullptr) return 1;
  return Guarded(1, [&] {
    source->Initialize(temp_folder_.c_str());
    ComPtr<ICvoString> name = NewString();
    if (!name) return 0;
    int32_t position = 0;
    source->GetFirstName(name.get(), &position);
    while (name->GetLength() != 0) {
      AddTemplateFile(ReadString(name.get()).c_str(), source);
      name->Empty();
      source->GetNextName(name.get(), &position);
    }
    return 0;
  });
}

int32_t CTplManagerImpl::RemoveFileSource(ITplFileSource* source) {
  if (source == nullptr) return 1;
  return Guarded(0, [&] {
    source->Uninitialize();
    std::vector<ComPtr<ITplFileSource>> released;
    template_files_.ReleaseAll(HeldBy(source), &released);
    return 0;  // `released` gives the references back here
  });
}

int32_t CTplManagerImpl::MapFileName(ICvoString* out, const char* path) {
  return Guarded(1, [&] {
    // A null string or path is refused before the host sees it: the host
    // could neither fill the one nor read the other.
    if (out == nullptr || path == nullptr) return 1;
    if (host_ && host_->MapFileName(path, out) == 0) return 0;
    if (*path == '\0') return 1;
    std::string mapped;
    if (IsFullPathName(path) != 0) {
      std::string name, extension;
      SplitPathName(path, nullptr, &name, &extension);
      mapped = name + extension;
    } else {
      mapped = path;
    }
    WriteString(out, WithBackslashes(mapped));
    return 0;
  });
}

int32_t CTplManagerImpl::AddUpdateFile(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  return Guarded(1, [&] {
    std::string name = WithBackslashes(path);
    if (ClimbsOut(name)) return 1;  // it would leave the result folder
    if (IsFullPathName(name.c_str()) != 0) {
      const std::string folder = PathKey(ResultFolder());
      if (PathKey(name).compare(0, folder.size(), folder) != 0) return 1;
      name.erase(0, folder.size());
    }
    std::string key = PathKey(name);
    if (!update_files_.Holds(key)) update_files_.Add(std::move(name), std::move(key), {});
    return 0;
  });
}

int32_t CTplManagerImpl::GetHost(ITplHostCallback** out) {
  if (out != nullptr) host_.copy_to(out);
  return 0;
}

int32_t CTplManagerImpl::SetSystemValue(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return 0;
  return Guarded(1, [&] {
    system_values_.insert_or_assign(name, value);
    bounds_.ReadLimits(system_values_);
    return 0;
  });
}

// ---- ITplMacroServices -----------------------------------------------------

int32_t CTplManagerImpl::RegisterName(const char* name, ITplResolver* resolver) {
  return registry_.Register(name, resolver) == 1 ? 0 : 1;
}

int32_t CTplManagerImpl::UnregisterName(const char* name, ITplResolver* resolver) {
  return registry_.Unregister(name, resolver) == 1 ? 0 : 1;
}

int32_t CTplManagerImpl::AddTemplateFile(const char* name, ITplFileSource* source) {
  if (name == nullptr || *name == '\0' || source == nullptr) return 1;
  // A file that could not be registered (out of memory) is not reported as
  // registered.
  return Guarded(1, [&] {
    std::string listed = WithBackslashes(name);
    // A name that climbs out of its folder would be copied out of the
    // result folder.
    if (ClimbsOut(listed)) return 1;
    std::string key = PathKey(listed);
    if (const auto* holder = template_files_.HolderOf(key)) return holder->get() == source ? 0 : 1;
    template_files_.Add(std::move(listed), std::move(key), ComPtr<ITplFileSource>::retain(source));
    return 0;
  });
}

int32_t CTplManagerImpl::RemoveTemplateFile(const char* name, ITplFileSource* source) {
  if (name == nullptr || *name == '\0' || source == nullptr) return 1;
  return Guarded(0, [&] {
    // Looked up exactly as given: no case folding, no slash conversion.
    const ComPtr<ITplFileSource> released = template_files_.Release(name, HeldBy(source));
    return 0;
  });
}

int32_t CTplManagerImpl::CreateMacroCall(ITplMacroCall** out, ITplExpression* context) {
  if (out == nullptr) return 0;
  *out = MakeMacroCall(OwnMaker(), context).detach();
  return 0;
}

int32_t CTplManagerImpl::CreateExpression(ITplExpression** out, ITplUnknown* owner) {
  if (out == nullptr) return 0;
  *out = MakeExpression(OwnMaker(), owner).detach();
  return 0;
}

int32_t CTplManagerImpl::CreatePatchedFile(ITplPatchedFile** out) {
  if (out == nullptr) return 0;
  *out = MakePatchedFile(OwnMaker()).detach();
  return 0;
}

}  // namespace quenloft
