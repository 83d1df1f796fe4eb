#include "functions/function_library.h"

#include "frame/boundary.h"
#include "quenloft/string_object.h"
#include "functions/function_table.h"

namespace quenloft {

std::span<const QIEntry> CTplFunctionLibrary::InterfaceTable() {
  static const QIEntry kTable[] = {
      {&IID_ITplResolver, &InterfaceOf<CTplFunctionLibrary, ITplResolver>},
  };
  return kTable;
}

CTplFunctionLibrary::CTplFunctionLibrary() = default;

CTplFunctionLibrary::~CTplFunctionLibrary() {
  table_.clear();
  functions_.clear();
  services_.reset();
  manager_.reset();
}

void CTplFunctionLibrary::BuildTable() {
  if (built_) return;
  const std::span<const FunctionEntry> entries = FunctionTable();
  functions_.reserve(entries.size());
  table_.reserve(entries.size());
  for (const FunctionEntry& entry : entries) {
    // A function that cannot be created is left out; the others stand.
    try {
      std::unique_ptr<CTplFunction> function = entry.make(entry, services_.get());
      if (!function) continue;
      CTplFunction* raw = function.get();
      functions_.push_back(std::move(function));
      try {
        table_.emplace(std::string(entry.name), raw);
      } catch (...) {
        functions_.pop_back();
      }
    } catch (...) {
    }
  }
  built_ = true;
}

int32_t CTplFunctionLibrary::Initialize() {
  return Guarded(1, [&] {
    BuildTable();
    return 0;
  });
}

int32_t CTplFunctionLibrary::Uninitialize() { return 0; }

int32_t CTplFunctionLibrary::GetFirstName(ICvoString* name, int32_t* position) {
  if (name == nullptr || position == nullptr) return 0;
  GetNextName(name, position);
  return 0;
}

int32_t CTplFunctionLibrary::GetNextName(ICvoString* name, int32_t* position) {
  if (name == nullptr || position == nullptr) return 1;
  name->Empty();
  if (*position < 0 || static_cast<size_t>(*position) >= functions_.size()) return 1;
  const std::string& text = functions_[static_cast<size_t>(*position)]->name();
  name->SetText(text.c_str());
  ++*position;
  return 0;
}

int32_t CTplFunctionLibrary::OnNameConflict(const char*) { return 1; }

int32_t CTplFunctionLibrary::Resolve(ITplMacroCall* call) {
  if (call == nullptr) return 1;
  return Guarded(1, [&] {
    ComPtr<ICvoString> text = NewString();
    if (!text) return 1;
    call->GetName(text.get());
    const std::string name = ReadString(text.get());
    if (name.empty()) return 1;
    const auto found = table_.find(std::string_view(name));
    if (found == table_.end()) return 1;
    return found->second->Execute(call);
  });
}

int CTplFunctionLibrary::Attach(ITplManager* manager) {
  if (manager == nullptr || manager_ || services_) return 1;
  manager_ = ComPtr<ITplManager>::retain(manager);
  services_ = manager_.query<ITplMacroServices>(IID_ITplMacroServices);
  BuildTable();
  manager_->AddResolver(this);
  return 1;
}

int CTplFunctionLibrary::Detach() {
  services_.reset();
  if (manager_) {
    ComPtr<ITplManager> manager = std::move(manager_);
    manager->RemoveResolver(this);
  }
  return 1;
}

}  // namespace quenloft
