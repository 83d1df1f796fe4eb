// The factories for macro calls, expressions and variable scopes. An
// allocation failure gives null, which every caller tests.
#include "patching/objects.h"

#include <new>

#include "patching/expression_impl.h"
#include "patching/macro_call_impl.h"
#include "patching/variable_scope_impl.h"

namespace quenloft {

ComPtr<ITplMacroCall> MakeMacroCall(ITplMacroServices* services, ITplExpression* owner) {
  try {
    return ComPtr<ITplMacroCall>::retain(new CTplMacroCallImpl(services, owner));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ComPtr<ITplExpression> MakeExpression(ITplMacroServices* services, ITplUnknown* owner) {
  try {
    return ComPtr<ITplExpression>::retain(new CTplExpressionImpl(services, owner));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

namespace {
// The scope's destructor clears its variables, withdrawing their names.
void DestroyScope(ITplVariables* scope) { delete static_cast<CTplVariableScopeImpl*>(scope); }
void KeepNothing(ITplVariables*) {}
}  // namespace

Owned<ITplVariables> MakeVariableScope(ITplMacroServices* services, std::string_view name) {
  try {
    return Owned<ITplVariables>(new CTplVariableScopeImpl(services, name), &DestroyScope);
  } catch (const std::bad_alloc&) {
    return Owned<ITplVariables>(nullptr, &KeepNothing);
  }
}

}  // namespace quenloft
