#include "patching/macro_engine.h"

#include <new>

#include "patching/macro_call_impl.h"
#include "patching/objects.h"
#include "patching/variable_scope_impl.h"

namespace quenloft {

MacroEngine::~MacroEngine() {
  if (calls_ != nullptr) calls_->Orphan();
  if (scopes_ != nullptr) scopes_->Orphan();
}

ComPtr<CTplMacroCallImpl> MacroEngine::NewCall(ITplExpression* owner) {
  CTplMacroCallImpl* call = calls_ != nullptr ? calls_->Take() : nullptr;
  if (call == nullptr) {
    call = new (std::nothrow) CTplMacroCallImpl(services_, owner, life_);
    if (call == nullptr) return nullptr;
    call->engine_ = this;
    call->pool_ = calls_;
    if (calls_ != nullptr) calls_->Lend();
  }
  call->owner_ = owner;
  return ComPtr<CTplMacroCallImpl>::retain(call);
}

ComPtr<ITplMacroCall> MacroEngine::LendCall(ITplExpression* owner) { return LendOwnCall(owner); }

ComPtr<CTplMacroCallImpl> MacroEngine::LendOwnCall(ITplExpression* owner) {
  ComPtr<CTplMacroCallImpl> call = NewCall(owner);
  if (call && calls_ != nullptr) calls_->Track(call.get());
  return call;
}

CTplMacroCallImpl* MacroEngine::OwnCall(const ITplMacroCall* call) const {
  return calls_ != nullptr ? calls_->Tracked(call) : nullptr;
}

Owned<ITplVariables> MacroEngine::NewScope(std::string_view name) {
  try {
    const bool recycled = name == kExpressionScopeName && scopes_ != nullptr;
    CTplVariableScopeImpl* scope = recycled ? scopes_->Take() : nullptr;
    if (scope == nullptr) {
      scope = new CTplVariableScopeImpl(services_, name, life_);
      scope->engine_ = this;
      if (recycled) {
        scope->pool_ = scopes_;
        scopes_->Lend();
      }
    }
    return Owned<ITplVariables>(scope, &DisposeScope);
  } catch (...) {
    return Owned<ITplVariables>(nullptr, [](ITplVariables*) {});
  }
}

// The Owned deleter of NewScope's scopes, which are ours: cleared, then
// back to the pool, or destroyed when made singly.
void MacroEngine::DisposeScope(ITplVariables* variables) {
  auto* scope = static_cast<CTplVariableScopeImpl*>(variables);
  scope->ClearVariables();
  if (scope->pool_ != nullptr) {
    scope->pool_->Return(scope);
  } else {
    delete scope;
  }
}

}  // namespace quenloft
