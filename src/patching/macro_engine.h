// The library's own objects and the manager that made them.
//
// Every statement, wherever it stands, is resolved by one algorithm, the
// manager's ResolveMacroCall (macro_resolution.cpp), written once over a
// StatementView. Calls of any making reach it through ITplMacroCall and
// string objects. The objects a manager makes itself are given that
// manager as a MacroEngine when they are made, so they know it by
// construction and take shortcuts no host can tell apart:
//   - an expression resolves the calls it made without string objects and
//     composes its value without them;
//   - a patched file resolves a marker holding one statement without
//     making an expression or a call at all, unless a resolver needs one
//     (then it lends one, and makes the expression only when someone
//     asks the call for its context or container);
//   - a name stored by one of the library's own scopes is answered from
//     the scope's variables, looked up with the hash the registry used;
//   - calls and expression scopes are reused once released.
// A manager made for the straightforward path gives its objects no engine:
// then every object works through ITplMacroServices alone. The tests run
// both and compare what hosts see (tests/patching).
#ifndef QUENLOFT_PATCHING_MACRO_ENGINE_H
#define QUENLOFT_PATCHING_MACRO_ENGINE_H

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/boundary.h"
#include "patching/manager_life.h"
#include "patching/object_pool.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplMacroCallImpl;
class CTplVariableScopeImpl;

// Where a value goes as it is made: a patched file's output, or a string.
class ValueSink {
 public:
  virtual void Append(std::string_view text) = 0;

 protected:
  ~ValueSink() = default;
};

class StringSink final : public ValueSink {
 public:
  explicit StringSink(std::string* out) : out_(out) {}
  void Append(std::string_view text) override { out_->append(text); }

 private:
  std::string* out_;
};

// One statement on its way through resolution: what the algorithm reads
// and writes, whatever holds the statement.
class StatementView {
 public:
  // The name that selects the resolver; empty: neither resolved nor
  // reported.
  virtual std::string_view Name() = 0;
  // The statement as written, for the message about an unresolved one.
  virtual std::string_view Text() = 0;
  // The assignment target, empty when there is none.
  virtual std::string_view Target() = 0;
  // True when no host can see the statement, so that a scope of the
  // library may answer it without Resolve: the manager reads the value.
  virtual bool AnswerableDirectly() const = 0;
  virtual void SetResult(std::string_view result) = 0;
  // The result given, for the assignment; valid until the next call here.
  virtual std::string_view Result() = 0;
  // The call a resolver receives, made now if there is none yet; null
  // when none can be made.
  virtual ITplMacroCall* Call() = 0;
  // The call Call() gave, when the library made it; null before there is
  // one, and for a call of any making.
  virtual CTplMacroCallImpl* MadeCall() = 0;
  // The file name of the container, for the message; "" without one.
  virtual std::string ContainerFileName() = 0;
  // The scopes an assignment lands in; null without a container, context
  // or scope.
  virtual ComPtr<ITplVariables> ContainerScope() = 0;
  virtual ComPtr<ITplVariables> ContextScope() = 0;

 protected:
  ~StatementView() = default;
};

// The manager, as the objects it made see it. Not counted: an object
// reaches it only while its life (manager_life.h), which every object it
// makes holds, says it stands.
class MacroEngine {
 public:
  explicit MacroEngine(ITplMacroServices* services) : services_(services) {}
  MacroEngine(const MacroEngine&) = delete;
  MacroEngine& operator=(const MacroEngine&) = delete;

  ITplMacroServices* services() const { return services_; }
  const ComPtr<ManagerLife>& life() const { return life_; }

  // ResolveMacroCall's algorithm over a statement: 0 when resolved.
  virtual int32_t ResolveStatement(StatementView& statement) = 0;
  // RegisterName for a scope of the library: the registry keeps the scope
  // beside the name, so that statements naming it are answered from it.
  virtual int32_t RegisterScopeName(const char* name, CTplVariableScopeImpl* scope) = 0;

  // Made for this manager, or recycled; null when none can be made.
  ComPtr<CTplMacroCallImpl> NewCall(ITplExpression* owner);
  // A call for CreateMacroCall: whoever got it may hand it back to
  // ResolveMacroCall, which finds it again with OwnCall.
  ComPtr<ITplMacroCall> LendCall(ITplExpression* owner);
  ComPtr<CTplMacroCallImpl> LendOwnCall(ITplExpression* owner);
  // The call lent by LendCall that this pointer is, or null: any other
  // call is read through its interface.
  CTplMacroCallImpl* OwnCall(const ITplMacroCall* call) const;
  // A scope whose names the registry keeps with it; expression scopes are
  // recycled. Its deleter clears it first, withdrawing its names.
  Owned<ITplVariables> NewScope(std::string_view name);

 protected:
  // Both pools outlive the manager until their last object is back.
  ~MacroEngine();
  // The manager is ending: the objects it made no longer reach it.
  void EndLife() noexcept { life_->End(); }

 private:
  static void DisposeScope(ITplVariables* scope);

  ITplMacroServices* services_;
  ComPtr<ManagerLife> life_ = ManagerLife::Make();
  ObjectPool<CTplMacroCallImpl>* calls_ = ObjectPool<CTplMacroCallImpl>::Make(kKeptCalls);
  ObjectPool<CTplVariableScopeImpl>* scopes_ =
      ObjectPool<CTplVariableScopeImpl>::Make(kKeptScopes);

  // Enough for the calls and scopes alive at once in nested evaluations;
  // beyond that they are freed.
  static constexpr size_t kKeptCalls = 64;
  static constexpr size_t kKeptScopes = 16;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_MACRO_ENGINE_H
