#include "patching/variable_scope_impl.h"

#include <algorithm>

#include "frame/boundary.h"
#include "patching/macro_engine.h"
#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"

namespace quenloft {

std::span<const QIEntry> CTplVariableScopeImpl::InterfaceTable() {
  static constexpr QIEntry kTable[] = {
      {&IID_ITplResolver, &InterfaceOf<CTplVariableScopeImpl, ITplVariables>},
      {&IID_ITplVariables, &InterfaceOf<CTplVariableScopeImpl, ITplVariables>},
  };
  return kTable;
}

CTplVariableScopeImpl::~CTplVariableScopeImpl() { ClearVariables(); }

// A scope lists no names: its names are registered one by one as they are
// first stored.
int32_t CTplVariableScopeImpl::GetFirstName(ICvoString* name, int32_t* position) {
  if (name == nullptr || position == nullptr) return 0;
  *position = 0;
  name->Empty();
  return 0;
}

int32_t CTplVariableScopeImpl::GetNextName(ICvoString* name, int32_t* position) {
  return GetFirstName(name, position);
}

int32_t CTplVariableScopeImpl::Resolve(ITplMacroCall* call) {
  if (call == nullptr) return 0;
  return Guarded(1, [&] {
    const ComPtr<ICvoString> text = NewString();
    if (!text) return 1;
    call->GetName(text.get());
    const std::string name = ReadString(text.get());
    if (name.empty()) return 0;
    const auto found = variables_.find(name);
    if (found != variables_.end()) call->SetResult(found->second.c_str());
    return 0;
  });
}

void CTplVariableScopeImpl::Store(const char* name, const char* value, bool append) {
  if (name == nullptr || *name == '\0') return;
  const std::string_view v = value == nullptr ? std::string_view() : std::string_view(value);
  const auto found = variables_.find(std::string_view(name));
  if (found != variables_.end()) {
    if (append) {
      found->second.append(v);
    } else {
      found->second.assign(v);
    }
    return;
  }
  variables_.emplace(name, v);
  order_.emplace_back(name);
  // Registered again below; the order array now covers it.
  if (!removed_.empty()) {
    const auto was_removed = removed_.find(std::string_view(name));
    if (was_removed != removed_.end()) removed_.erase(was_removed);
  }
  // Past the manager's end the value is kept, and no registry is left
  // for its name.
  if (ManagerGone(life_)) return;
  if (engine_ != nullptr) {
    engine_->RegisterScopeName(name, this);
  } else if (services_ != nullptr) {
    services_->RegisterName(name, this);
  }
}

// Both always answer 1, also when the value could not be stored.
int32_t CTplVariableScopeImpl::SetVariable(const char* name, const char* value) {
  return Guarded(1, [&] {
    Store(name, value, false);
    return 1;
  });
}

int32_t CTplVariableScopeImpl::AppendVariable(const char* name, const char* value) {
  return Guarded(1, [&] {
    Store(name, value, true);
    return 1;
  });
}

int32_t CTplVariableScopeImpl::RemoveVariable(const char* name) {
  if (name == nullptr || *name == '\0') return 1;
  return Guarded(1, [&] {
    const std::string_view key(name);
    const auto found = variables_.find(key);
    if (found == variables_.end()) return 1;
    const auto in_order = std::find(order_.begin(), order_.end(), key);
    // The registry keeps the name; remember it so that clearing withdraws it.
    if (in_order != order_.end()) removed_.emplace(key);
    variables_.erase(found);
    if (in_order == order_.end()) return 1;
    order_.erase(in_order);
    return 0;
  });
}

int32_t CTplVariableScopeImpl::ClearVariables() {
  if (services_ != nullptr && !ManagerGone(life_)) {
    for (const std::string& name : order_) services_->UnregisterName(name.c_str(), this);
    for (const std::string& name : removed_) services_->UnregisterName(name.c_str(), this);
  }
  order_.clear();
  removed_.clear();
  variables_.clear();
  return 0;
}

}  // namespace quenloft
