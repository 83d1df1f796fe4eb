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

int32_t CTplFunctionLibrary::Initialize() { return 0; }

int32_t CTplFunctionLibrary::Uninitialize() { return 0; }

int32_t CTplFunctionLibrary::GetFirstName(ICvoString* name, int32_t* position) {
  if (name == nullptr || position == nullptr) return 0;
  GetNextName(name, position);
  return 0;
}

int32_t CTplFunctionLibrary::GetNextName(ICvoString* name, int32_t* position) {
  if (name == nullptr || position == nullptr) return 1;
  name->Empty();
  const std::span<const CTplFunction> functions = FunctionTable();
  if (*position < 0 || static_cast<size_t>(*position) >= functions.size()) return 1;
  WriteString(name, functions[static_cast<size_t>(*position)].name);
  ++*position;
  return 0;
}

int32_t CTplFunctionLibrary::OnNameConflict(const char*) { return 1; }

int32_t CTplFunctionLibrary::Resolve(ITplMacroCall* call) {
  if (call == nullptr) return 1;
  return Guarded(1, [&] {
    // One string object for every call: the name is read before anything
    // that may call again.
    if (!name_ && !(name_ = NewString())) return 1;
    name_->Empty();
    call->GetName(name_.get());
    const char* name = nullptr;
    name_->GetText(&name);
    const CTplFunction* function = FindFunction(name != nullptr ? name : "");
    if (function == nullptr) return 1;
    // Room for the values of this run, taken from the spare ones: a
    // function evaluating its arguments runs others meanwhile.
    std::vector<std::string> values;
    if (!spare_values_.empty()) {
      values.swap(spare_values_.back());
      spare_values_.pop_back();
    }
    const int32_t result = function->Execute(call, services_.get(), sandbox_.get(), &values);
    values.clear();
    if (spare_values_.size() < kSpareValues) spare_values_.push_back(std::move(values));
    return result;
  });
}

int CTplFunctionLibrary::Attach(ITplManager* manager) {
  if (manager == nullptr || manager_ || services_) return 1;
  manager_ = ComPtr<ITplManager>::retain(manager);
  services_ = manager_.query<ITplMacroServices>(IID_ITplMacroServices);
  sandbox_ = manager_.query<ITplSandbox>(IID_ITplSandbox);
  manager_->AddResolver(this);
  return 1;
}

int CTplFunctionLibrary::Detach() {
  sandbox_.reset();
  services_.reset();
  if (manager_) {
    ComPtr<ITplManager> manager = std::move(manager_);
    manager->RemoveResolver(this);
  }
  return 1;
}

}  // namespace quenloft
