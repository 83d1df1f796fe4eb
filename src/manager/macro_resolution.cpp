// ResolveMacroCall and the operations that resolve or evaluate text.
//
// A call's name selects exactly one resolver through the registry; a name
// that begins with a quote is a literal and needs none. A resolved call
// with an assignment target stores its result in the scope its target's
// ending chooses ("$$" global, "$" the file's, else the expression's). An
// unresolved call is reported to the host.
//
// The algorithm is written once, in ResolveStatement, over a
// StatementView (patching/macro_engine.h): a call of any making is read
// through its interface (CallOfAnyMaking below); the library's own
// objects hand in their statements directly.
#include <CorvaskUtils/CorvaskUtils.h>

#include <string_view>

#include "frame/format_text.h"
#include "quenloft/string_object.h"
#include "language/escapes.h"
#include "language/nearest_names.h"
#include "language/statement_parser.h"
#include "manager/manager_impl.h"
#include "patching/macro_call_impl.h"
#include "patching/objects.h"
#include "patching/variable_scope_impl.h"
#include "quenloft/conventions.h"

namespace quenloft {
namespace {

// Counts one level of resolution for the life of the guard.
class NestingLevel {
 public:
  explicit NestingLevel(int& depth) : depth_(depth) { ++depth_; }
  ~NestingLevel() { --depth_; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;
  int value() const { return depth_; }

 private:
  int& depth_;
};

// The call's name as the literal rule and the registry see it.
std::string NameOf(ITplMacroCall* call, ICvoString* scratch) {
  scratch->Empty();
  call->GetName(scratch);
  return ReadString(scratch);
}

// The scope an owner hands out for ITplVariables; null when it has none.
template <class Owner>
ComPtr<ITplVariables> ScopeOf(const ComPtr<Owner>& owner) {
  return owner.template query<ITplVariables>(IID_ITplVariables);
}

// A call that may be anyone's, read and written through ITplMacroCall
// alone, in the order a host's call has always been asked.
class CallOfAnyMaking final : public StatementView {
 public:
  CallOfAnyMaking(ITplMacroCall* call, ComPtr<ICvoString> scratch)
      : call_(call), scratch_(std::move(scratch)) {}

  std::string_view Name() override {
    name_ = NameOf(call_, scratch_.get());
    return name_;
  }
  std::string_view Text() override {
    scratch_->Empty();
    call_->GetText(scratch_.get());
    text_ = ReadString(scratch_.get());
    return text_;
  }
  std::string_view Target() override {
    scratch_->Empty();
    call_->GetAssignTarget(scratch_.get());
    target_ = ReadString(scratch_.get());
    return target_;
  }
  bool AnswerableDirectly() const override { return false; }
  void SetResult(std::string_view result) override { call_->SetResult(std::string(result).c_str()); }
  std::string_view Result() override {
    scratch_->Empty();
    call_->GetResult(scratch_.get());
    result_ = ReadString(scratch_.get());
    return result_;
  }
  ITplMacroCall* Call() override { return call_; }
  CTplMacroCallImpl* MadeCall() override { return nullptr; }
  std::string ContainerFileName() override {
    ComPtr<ITplUnknown> container;
    call_->GetContainer(container.put());
    return FileNameOfContainer(container);
  }
  ComPtr<ITplVariables> ContainerScope() override {
    ComPtr<ITplUnknown> container;
    call_->GetContainer(container.put());
    return ScopeOf(container);
  }
  ComPtr<ITplVariables> ContextScope() override {
    ComPtr<ITplExpression> context;
    call_->GetContext(context.put());
    return ScopeOf(context);
  }

 private:
  ITplMacroCall* call_;
  ComPtr<ICvoString> scratch_;
  std::string name_;
  std::string text_;
  std::string target_;
  std::string result_;
};

}  // namespace

int32_t CTplManagerImpl::ResolveMacroCall(ITplMacroCall* call) {
  if (call == nullptr) return 1;
  return Guarded(1, [&] {
    // A call this manager lent is read directly; any other through its
    // interface.
    if (CTplMacroCallImpl* own = fast_paths_ ? OwnCall(call) : nullptr) {
      OwnCallStatement statement(*own);
      return ResolveStatement(statement);
    }
    ComPtr<ICvoString> scratch = NewString();
    if (!scratch) return 1;
    CallOfAnyMaking statement(call, std::move(scratch));
    return ResolveStatement(statement);
  });
}

int32_t CTplManagerImpl::ResolveStatement(StatementView& statement) {
  return Guarded(1, [&] {
    const NestingLevel level(nesting_depth_);
    if (level.value() == 1 && diagnostics_.on()) diagnostics_.BeginStatement(statement.Text());
    const std::string_view name = statement.Name();
    if (name.empty()) return 1;

    bool resolved = false;
    Failure failure = Failure::kDeclined;
    if (level.value() > kMaxNestingDepth) {
      // A template that evaluates itself ends here instead of in a stack
      // overflow; it is reported like any unresolved statement.
      failure = Failure::kTooDeep;
    } else if (!bounds_.Admit(level.value() == 1, host_.get())) {
      // The statement's evaluations are used up, or the host asked to stop.
      failure = Failure::kRefused;
    } else if (IsQuoteByte(name.front())) {
      const std::string_view quoted = WithoutQuotes(name);
      if (quoted.find('\\') == std::string_view::npos) {
        statement.SetResult(quoted);  // no escape in it: nothing to decode
      } else {
        statement.SetResult(RemoveEscapes(quoted));
      }
      resolved = true;
    } else {
      // The name is hashed once, for the registry and the scope behind it.
      const HashedName key(name);
      const CTplResolverRegistry::Entry* found = registry_.Find(key);
      if (found != nullptr && found->scope != nullptr && statement.AnswerableDirectly()) {
        // One of our scopes, for a statement no host sees: what its
        // Resolve would do, without the call.
        if (const std::string* value = found->scope->Find(key)) statement.SetResult(*value);
        resolved = true;
      } else if (found == nullptr) {
        failure = Failure::kUnknownName;
      } else {
        // Our own reference: the resolver may withdraw its names while it
        // works (and the entry go with them). One that throws has not
        // resolved the call, which is then reported.
        const ComPtr<ITplResolver> resolver = ComPtr<ITplResolver>::retain(found->resolver);
        ITplMacroCall* call = statement.Call();
        const Resolving resolving(resolving_, statement.MadeCall());
        resolved = call != nullptr && Guarded(1, [&] { return resolver->Resolve(call); }) == 0;
      }
    }

    if (diagnostics_.Wants(level.value(), resolved)) {
      // Name and text are views the next read may move: both are read
      // again here.
      const std::string text(statement.Text());
      diagnostics_.Conclude(level.value(), resolved, text, [&](bool* close) {
        const std::string called(statement.Name());
        Diagnostics::Reason reason = WhyUnresolved(failure, called, close);
        // The name stands after the assignment sign, if there is one.
        const size_t sign = statement.Target().empty() ? 0 : text.rfind('=');
        const size_t at = text.find(called, sign == std::string::npos ? 0 : sign);
        reason.at = at == std::string::npos ? 0 : at;
        return reason;
      });
    }
    if (!resolved) {
      ReportUnresolved(statement);
      return 1;
    }
    const std::string target(statement.Target());
    if (!target.empty()) AssignResult(statement, target, std::string(statement.Result()));
    return 0;
  });
}

void CTplManagerImpl::AssignResult(StatementView& statement, const std::string& target,
                                   const std::string& value) {
  std::string_view name = target;
  bool append = false;
  if (!name.empty() && name.back() == '+') {
    name.remove_suffix(1);
    name = TrimStatementSpace(name);
    append = true;
  }
  if (name.empty()) return;

  // The ending decides where the variable lives. The first occurrence must
  // be the ending: "a$$$" is neither global nor the file's.
  const size_t n = name.size();
  ComPtr<ITplVariables> scope;
  if (n >= 3 && name.find("$$") == n - 2) {
    scope = ComPtr<ITplVariables>::retain(GlobalScope());
  } else if (n >= 2 && name.find('$') == n - 1) {
    scope = statement.ContainerScope();
  } else {
    scope = statement.ContextScope();
  }
  if (!scope) return;

  const std::string variable(name);
  if (append) {
    scope->AppendVariable(variable.c_str(), value.c_str());
  } else {
    scope->SetVariable(variable.c_str(), value.c_str());
  }
}

void CTplManagerImpl::ReportUnresolved(StatementView& statement) {
  if (!host_) return;
  const std::string text(statement.Text());
  // The file name comes from the container when it is a patched file; an
  // owner of another kind has no GetFileName to ask.
  const std::string file = statement.ContainerFileName();
  const std::string message =
      file.empty() ? FormatText(kUnresolvedMacroMessage, text)
                   : FormatText(kUnresolvedMacroInFileMessage, text, file);
  host_->Output(message.c_str());
}

Diagnostics::Reason CTplManagerImpl::WhyUnresolved(Failure failure, std::string_view name,
                                                   bool* close) {
  const std::string quoted = "'" + std::string(name) + "'";
  switch (failure) {
    case Failure::kTooDeep:
      *close = true;
      return {kNestingTooDeepCode, "evaluations nest deeper than " +
                                       std::to_string(kMaxNestingDepth) +
                                       " levels; does a value evaluate itself?"};
    case Failure::kRefused:
      *close = true;
      if (bounds_.refused() == WorkBounds::Reason::kStop) {
        return {kStoppedCode, "the host asked to stop"};
      }
      return {kEvaluationLimitCode, "the statement used up its " +
                                        std::to_string(bounds_.limits().max_steps) +
                                        " evaluations"};
    case Failure::kDeclined:
      return {kNotResolvedCode, "the resolver of " + quoted + " did not resolve the statement"};
    case Failure::kUnknownName:
      break;
  }
  const char first = name.empty() ? '\0' : name.front();
  if ((first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.') {
    return {kUnquotedLiteralCode,
            quoted + " is not a name: literals need quotes, as in \"" + std::string(name) + "\""};
  }
  NearestNames nearest(name);
  registry_.ForEachName([&](std::string_view known) { nearest.Consider(known); });
  if (name.back() == '$') {
    return {kUnsetVariableCode, "variable " + quoted + " is read before it is set" + nearest.Hint()};
  }
  return {kUnknownNameCode, "unknown name " + quoted + nearest.Hint()};
}

int32_t CTplManagerImpl::RegisterScopeName(const char* name, CTplVariableScopeImpl* scope) {
  return registry_.Register(name, scope, scope) == 1 ? 0 : 1;
}

int32_t CTplManagerImpl::HasResolverFor(const char* macro_text) {
  if (macro_text == nullptr) return 1;
  return Guarded(1, [&] {
    const ComPtr<ITplMacroCall> call = MakeMacroCall(OwnMaker(), nullptr);
    const ComPtr<ICvoString> scratch = NewString();
    if (!call || !scratch) return 1;
    call->SetText(macro_text);
    const std::string name = NameOf(call.get(), scratch.get());
    return !name.empty() && registry_.Lookup(name) != nullptr ? 0 : 1;
  });
}

int32_t CTplManagerImpl::ResolveMacroText(const char* text, ICvoString* out) {
  return ResolveMacroTextIn(text, nullptr, out);
}

int32_t CTplManagerImpl::ResolveMacroTextIn(const char* text, ITplExpression* context,
                                            ICvoString* out) {
  if (text == nullptr || out == nullptr) return 1;
  return Guarded(1, [&] {
    // The context is counted: a resolver may keep the call beyond it.
    const ComPtr<CTplMacroCallImpl> call = MakeOwnMacroCall(OwnMaker(), nullptr);
    const ComPtr<ICvoString> result = NewString();
    if (!call || !result) return 1;
    call->KeepOwner(context);
    call->SetText(text);
    ResolveMacroCall(call.get());  // reports an unresolved call itself
    call->GetResult(result.get());
    WriteString(out, ReadString(result.get()));
    return 0;
  });
}

int32_t CTplManagerImpl::ResolveMacroTextFor(const char* text, ITplMacroCall* provider,
                                             ICvoString* out) {
  if (provider == nullptr) return ResolveMacroText(text, out);
  if (text == nullptr || out == nullptr) return 1;
  ComPtr<ITplExpression> context;
  provider->GetContext(context.put());
  return ResolveMacroTextIn(text, context.get(), out);
}

int32_t CTplManagerImpl::EvaluateExpression(const char* text, ICvoString* out) {
  return EvaluateExpressionIn(text, nullptr, out);
}

int32_t CTplManagerImpl::EvaluateExpressionIn(const char* text, ITplUnknown* owner,
                                              ICvoString* out) {
  if (text == nullptr || out == nullptr) return 1;
  return Guarded(1, [&] {
    const ComPtr<ITplExpression> expression = MakeExpression(OwnMaker(), owner);
    const ComPtr<ICvoString> value = NewString();
    if (!expression || !value) return 1;
    expression->SetText(text);
    // On failure the expression writes its own text; out keeps its content.
    if (expression->Evaluate(value.get()) == 0) WriteString(out, ReadString(value.get()));
    return 0;
  });
}

int32_t CTplManagerImpl::QueryMacro(const char* macro_text, ICvoString* out) {
  if (macro_text == nullptr || *macro_text == '\0' || out == nullptr) return 1;
  return Guarded(1, [&] {
    const ComPtr<ITplResolverEx> extended = ExtendedResolverFor(macro_text);
    if (!extended) return 1;
    extended->QueryMacro(out, macro_text);
    return 0;
  });
}

int32_t CTplManagerImpl::QueryAndMapMacro(const char* macro_text, ICvoString* out) {
  if (macro_text == nullptr || *macro_text == '\0' || out == nullptr) return 1;
  return Guarded(1, [&] {
    const ComPtr<ITplResolverEx> extended = ExtendedResolverFor(macro_text);
    const ComPtr<ICvoString> query = NewString();
    if (!extended || !query) return 1;
    extended->QueryMacro(query.get(), macro_text);
    const std::string queried = ReadString(query.get());
    if (queried.empty()) return 1;
    extended->MapText(out, queried.c_str());
    return 0;
  });
}

ComPtr<ITplResolverEx> CTplManagerImpl::ExtendedResolverFor(const char* macro_text) {
  const ComPtr<ITplMacroCall> call = MakeMacroCall(OwnMaker(), nullptr);
  const ComPtr<ICvoString> scratch = NewString();
  if (!call || !scratch) return nullptr;
  call->SetText(macro_text);
  const ComPtr<ITplResolver> resolver =
      ComPtr<ITplResolver>::retain(registry_.Lookup(NameOf(call.get(), scratch.get())));
  return resolver.query<ITplResolverEx>(IID_ITplResolverEx);
}

}  // namespace quenloft
