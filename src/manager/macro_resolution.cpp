// ResolveMacroCall and the operations that resolve or evaluate text.
//
// A call's name selects exactly one resolver through the registry; a name
// that begins with a quote is a literal and needs none. A resolved call
// with an assignment target stores its result in the scope its target's
// ending chooses ("$$" global, "$" the file's, else the expression's). An
// unresolved call is reported to the host.
#include <CorvaskUtils/CorvaskUtils.h>

#include <string_view>

#include "frame/format_text.h"
#include "quenloft/string_object.h"
#include "language/escapes.h"
#include "language/statement_parser.h"
#include "manager/manager_impl.h"
#include "patching/objects.h"
#include "quenloft/conventions.h"

namespace quenloft {
namespace {

// Counts one level of ResolveMacroCall for the life of the guard.
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

}  // namespace

int32_t CTplManagerImpl::ResolveMacroCall(ITplMacroCall* call) {
  if (call == nullptr) return 1;
  return Guarded(1, [&] {
    const NestingLevel level(nesting_depth_);
    const ComPtr<ICvoString> scratch = NewString();
    if (!scratch) return 1;
    const std::string name = NameOf(call, scratch.get());
    if (name.empty()) return 1;

    bool resolved = false;
    if (level.value() > kMaxNestingDepth) {
      // A template that evaluates itself ends here instead of in a stack
      // overflow; it is reported like any unresolved statement.
      resolved = false;
    } else if (!bounds_.Admit(level.value() == 1, host_.get())) {
      // The statement's evaluations are used up, or the host asked to stop.
      resolved = false;
    } else if (IsQuoteByte(name.front())) {
      call->SetResult(RemoveEscapes(DeQuote(name.c_str(), nullptr, nullptr)).c_str());
      resolved = true;
    } else if (const ComPtr<ITplResolver> resolver =
                   ComPtr<ITplResolver>::retain(registry_.Lookup(name))) {
      // Our own reference: the resolver may withdraw its names while it works.
      // One that throws has not resolved the call, which is then reported.
      resolved = Guarded(1, [&] { return resolver->Resolve(call); }) == 0;
    }

    if (!resolved) {
      ReportUnresolved(call);
      return 1;
    }
    scratch->Empty();
    call->GetAssignTarget(scratch.get());
    const std::string target = ReadString(scratch.get());
    if (!target.empty()) {
      scratch->Empty();
      call->GetResult(scratch.get());
      AssignResult(call, target, ReadString(scratch.get()));
    }
    return 0;
  });
}

void CTplManagerImpl::AssignResult(ITplMacroCall* call, const std::string& target,
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
    ComPtr<ITplUnknown> container;
    call->GetContainer(container.put());
    scope = ScopeOf(container);
  } else {
    ComPtr<ITplExpression> context;
    call->GetContext(context.put());
    scope = ScopeOf(context);
  }
  if (!scope) return;

  const std::string variable(name);
  if (append) {
    scope->AppendVariable(variable.c_str(), value.c_str());
  } else {
    scope->SetVariable(variable.c_str(), value.c_str());
  }
}

void CTplManagerImpl::ReportUnresolved(ITplMacroCall* call) {
  if (!host_) return;
  const ComPtr<ICvoString> scratch = NewString();
  if (!scratch) return;
  call->GetText(scratch.get());
  const std::string text = ReadString(scratch.get());

  // The file name comes from the container when it is a patched file; an
  // owner of another kind has no GetFileName to ask.
  std::string file;
  ComPtr<ITplUnknown> container;
  call->GetContainer(container.put());
  if (const auto patched = container.query<ITplPatchedFile>(IID_ITplPatchedFile)) {
    scratch->Empty();
    patched->GetFileName(scratch.get());
    file = ReadString(scratch.get());
  }

  const std::string message =
      file.empty() ? FormatText(kUnresolvedMacroMessage, text)
                   : FormatText(kUnresolvedMacroInFileMessage, text, file);
  host_->Output(message.c_str());
}

int32_t CTplManagerImpl::HasResolverFor(const char* macro_text) {
  if (macro_text == nullptr) return 1;
  return Guarded(1, [&] {
    const ComPtr<ITplMacroCall> call = MakeMacroCall(AsServices(), nullptr);
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
    const ComPtr<ITplMacroCall> call = MakeMacroCall(AsServices(), context);
    const ComPtr<ICvoString> result = NewString();
    if (!call || !result) return 1;
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
    const ComPtr<ITplExpression> expression = MakeExpression(AsServices(), owner);
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
  const ComPtr<ITplMacroCall> call = MakeMacroCall(AsServices(), nullptr);
  const ComPtr<ICvoString> scratch = NewString();
  if (!call || !scratch) return nullptr;
  call->SetText(macro_text);
  const ComPtr<ITplResolver> resolver =
      ComPtr<ITplResolver>::retain(registry_.Lookup(NameOf(call.get(), scratch.get())));
  return resolver.query<ITplResolverEx>(IID_ITplResolverEx);
}

}  // namespace quenloft
