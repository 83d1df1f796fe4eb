// The factories for macro calls, expressions and variable scopes. An
// allocation failure gives null, which every caller tests.
#include "patching/objects.h"

#include <new>

#include "patching/expression_impl.h"
#include "patching/macro_call_impl.h"
#include "patching/macro_engine.h"
#include "patching/variable_scope_impl.h"

namespace quenloft {

ComPtr<ITplMacroCall> MakeMacroCall(const Maker& maker, ITplExpression* owner) {
  return MakeOwnMacroCall(maker, owner);
}

ComPtr<CTplMacroCallImpl> MakeOwnMacroCall(const Maker& maker, ITplExpression* owner) {
  if (maker.engine != nullptr) return maker.engine->LendOwnCall(owner);
  return ComPtr<CTplMacroCallImpl>::retain(
      new (std::nothrow) CTplMacroCallImpl(maker.services, owner, maker.life));
}

ComPtr<ITplExpression> MakeExpression(const Maker& maker, ITplUnknown* owner) {
  return MakeOwnExpression(maker, owner);
}

namespace {
// The scope's destructor clears its variables, withdrawing their names.
void DestroyScope(ITplVariables* scope) { delete static_cast<CTplVariableScopeImpl*>(scope); }
void KeepNothing(ITplVariables*) {}
}  // namespace

Owned<ITplVariables> MakeVariableScope(const Maker& maker, std::string_view name) {
  if (maker.engine != nullptr) return maker.engine->NewScope(name);
  try {
    return Owned<ITplVariables>(new CTplVariableScopeImpl(maker.services, name, maker.life),
                                &DestroyScope);
  } catch (const std::bad_alloc&) {
    return Owned<ITplVariables>(nullptr, &KeepNothing);
  }
}

}  // namespace quenloft
