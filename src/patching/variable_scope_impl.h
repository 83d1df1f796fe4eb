// CTplVariableScopeImpl: a named store of string variables that is also
// the resolver for the names it holds. Each name is registered with the
// manager when first stored, so a macro call naming it reaches this scope.
//
// Owner-held: Release never destroys it; the manager, expression or
// patched file that made it does, and the destructor withdraws its names.
// A removed variable keeps its name registered (a later lookup finds
// nothing here), but clearing or destroying the scope withdraws that name
// too, so the registry never points at a destroyed scope.
#ifndef QUENLOFT_PATCHING_VARIABLE_SCOPE_IMPL_H
#define QUENLOFT_PATCHING_VARIABLE_SCOPE_IMPL_H

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/string_map.h"
#include "patching/manager_life.h"
#include "patching/object_pool.h"
#include "quenloft/com_object.h"

namespace quenloft {

class MacroEngine;

class CTplVariableScopeImpl final : public OwnerHeldComObject<CTplVariableScopeImpl, ITplVariables> {
 public:
  static constexpr int32_t kNullOutResult = 1;
  static std::span<const QIEntry> InterfaceTable();

  // services is not counted: the scope registers and withdraws names only
  // while its manager's life says the manager stands.
  CTplVariableScopeImpl(ITplMacroServices* services, std::string_view name,
                        ComPtr<ManagerLife> life)
      : name_(name), services_(services), life_(std::move(life)) {}
  ~CTplVariableScopeImpl() override;

  const std::string& name() const { return name_; }

  // The value stored under a name, or null; for the manager, which
  // answers statements from a scope of the library directly.
  const std::string* Find(const HashedName& name) const {
    const auto found = variables_.find(name);
    return found == variables_.end() ? nullptr : &found->second;
  }

  // ITplResolver
  int32_t QL_CALL Initialize() override { return 0; }
  int32_t QL_CALL Uninitialize() override { return 0; }
  int32_t QL_CALL GetFirstName(ICvoString* name, int32_t* position) override;
  int32_t QL_CALL GetNextName(ICvoString* name, int32_t* position) override;
  int32_t QL_CALL OnNameConflict(const char*) override { return 0; }
  int32_t QL_CALL Resolve(ITplMacroCall* call) override;

  // ITplVariables
  int32_t QL_CALL SetVariable(const char* name, const char* value) override;
  int32_t QL_CALL AppendVariable(const char* name, const char* value) override;
  int32_t QL_CALL RemoveVariable(const char* name) override;
  int32_t QL_CALL ClearVariables() override;

  // For the pool: cleared, with its buffers kept.
  void Recycle() noexcept { ClearVariables(); }

 private:
  friend class MacroEngine;  // makes scopes that register through it
  friend class ObjectPool<CTplVariableScopeImpl>;

  void Store(const char* name, const char* value, bool append);

  std::string name_;
  ITplMacroServices* services_;
  ComPtr<ManagerLife> life_;
  // The manager's, for a scope of its own making: names are registered
  // with the scope beside them.
  MacroEngine* engine_ = nullptr;
  ObjectPool<CTplVariableScopeImpl>* pool_ = nullptr;
  PoolLink<CTplVariableScopeImpl> pool_link_;
  StringMap<std::string> variables_;
  std::vector<std::string> order_;  // names in order of first definition
  // Removed names that may still stand in the registry for this scope.
  StringSet removed_;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_VARIABLE_SCOPE_IMPL_H
