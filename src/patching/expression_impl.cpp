#include "patching/expression_impl.h"

#include <new>

#include "patching/macro_call_impl.h"
#include "patching/statements.h"
#include "quenloft/string_object.h"

namespace quenloft {

ComPtr<CTplExpressionImpl> MakeOwnExpression(const Maker& maker, ITplUnknown* owner) {
  return ComPtr<CTplExpressionImpl>::retain(new (std::nothrow) CTplExpressionImpl(maker, owner));
}

std::span<const QIEntry> CTplExpressionImpl::InterfaceTable() {
  static constexpr QIEntry kTable[] = {
      {&IID_ITplExpression, &InterfaceOf<CTplExpressionImpl, ITplExpression>},
      {&IID_ITplVariables, &CTplExpressionImpl::ScopeInterface},
  };
  return kTable;
}

// The scope is made on request and handed out until the next evaluation
// ends; null when it cannot be made (nor past the manager's end: its names
// would have no registry).
ITplUnknown* CTplExpressionImpl::ScopeInterface(void* self) {
  auto* expression = static_cast<CTplExpressionImpl*>(self);
  if (!expression->scope_ && !ManagerGone(expression->maker_.life)) {
    expression->scope_ = MakeVariableScope(expression->maker_, kExpressionScopeName);
  }
  return expression->scope_.get();
}

CTplExpressionImpl::~CTplExpressionImpl() {
  DropScope();
  // A call a holder keeps beyond us answers as one without an owner.
  for (const Statement& statement : calls_) statement.made->ForgetOwner(this);
  calls_.clear();
}

void CTplExpressionImpl::DropScope() {
  // The scope's deleter clears its variables, which withdraws their names
  // from the manager, before destroying or recycling it.
  scope_.reset();
}

int32_t CTplExpressionImpl::SetText(const char* text) {
  if (text == nullptr) return 0;
  return Guarded(1, [&] {
    text_.assign(text);
    return 0;
  });
}

int32_t CTplExpressionImpl::GetText(ICvoString* out) {
  if (out != nullptr) WriteString(out, text_);
  return 0;
}

void CTplExpressionImpl::AddStatement(std::string_view statement) {
  if (maker_.engine != nullptr) {
    ComPtr<CTplMacroCallImpl> call = maker_.engine->NewCall(this);
    if (!call || !call->SetStatement(statement)) return;
    CTplMacroCallImpl* own = call.get();
    calls_.push_back({std::move(call), own, own});
    return;
  }
  // The straightforward path: the call is resolved through the services,
  // and known here only so that it forgets this expression when it goes.
  ComPtr<CTplMacroCallImpl> call = MakeOwnMacroCall(maker_, this);
  if (!call) return;
  CTplMacroCallImpl* made = call.get();
  call->SetText(std::string(statement).c_str());
  calls_.push_back({std::move(call), nullptr, made});
}

bool CTplExpressionImpl::Parse() {
  if (!calls_.empty()) return true;
  if (text_.size() < kMinExpressionLength) return false;
  if (ManagerGone(maker_.life)) return false;   // nobody to make calls: never parses
  if (maker_.services == nullptr) return true;  // nobody to make calls: none
  // On a failure the calls added so far stay.
  return Guarded(false, [&] {
    std::string scratch;
    ForEachStatement(text_, &scratch, [&](std::string_view statement) { AddStatement(statement); });
    return true;
  });
}

int32_t CTplExpressionImpl::GetFirstCall(ITplMacroCall** call, uint32_t* position) {
  uint32_t local = kBeforeFirst;
  if (position == nullptr) position = &local;
  *position = kBeforeFirst;
  return GetNextCall(call, position);
}

int32_t CTplExpressionImpl::GetNextCall(ITplMacroCall** call, uint32_t* position) {
  if (call == nullptr) return 0;
  *call = nullptr;
  if (position == nullptr) return 0;
  if (!Parse()) {
    *position = kAfterLast;
    return 0;
  }
  const size_t index = *position == kBeforeFirst ? 0
                       : *position == kAfterLast ? calls_.size()
                                                 : static_cast<size_t>(*position) - 1;
  if (index >= calls_.size()) {
    *position = kAfterLast;
    return 0;
  }
  calls_[index].call.copy_to(call);
  *position = index + 1 < calls_.size() ? static_cast<uint32_t>(index + 2) : kAfterLast;
  return 0;
}

CTplExpressionImpl::Outcome CTplExpressionImpl::EvaluateInto(ValueSink& out) {
  // Past the manager's end nothing resolves: the calls it made stay as
  // they are, like the text of an expression that never parses.
  if (ManagerGone(maker_.life) || !Parse()) return Outcome::kNotParsed;
  const Outcome outcome = Guarded(Outcome::kFailed, [&] {
    // Every call is resolved, also after one has failed, so that the side
    // effects of all statements happen. Index and a reference of our own:
    // a resolver may re-enter this expression.
    bool failed = false;
    for (size_t i = 0; i < calls_.size(); ++i) {
      const Statement statement = calls_[i];
      if (statement.own != nullptr) {
        OwnCallStatement view(*statement.own);
        if (maker_.engine->ResolveStatement(view) != 0) failed = true;
      } else if (maker_.services->ResolveMacroCall(statement.call.get()) != 0) {
        failed = true;
      }
    }
    if (failed) return Outcome::kFailed;
    ComPtr<ICvoString> part;
    for (size_t i = 0; i < calls_.size(); ++i) {
      const Statement statement = calls_[i];
      if (statement.own != nullptr) {
        statement.own->AppendValue(out);
        continue;
      }
      if (!part && !(part = NewString())) return Outcome::kFailed;
      part->Empty();
      statement.call->GetValue(part.get());
      out.Append(ReadString(part.get()));
    }
    return Outcome::kResolved;
  });
  DropScope();  // variables without suffix live for one evaluation
  return outcome;
}

int32_t CTplExpressionImpl::Evaluate(ICvoString* out) {
  if (out == nullptr) return 1;
  std::string value;
  StringSink sink(&value);
  switch (EvaluateInto(sink)) {
    case Outcome::kNotParsed:
      return 1;  // out untouched
    case Outcome::kFailed:
      WriteString(out, text_);
      return 1;
    case Outcome::kResolved:
      break;
  }
  WriteString(out, value);
  return 0;
}

CTplMacroCallImpl* CTplExpressionImpl::OnlyCall() {
  if (!Parse() || calls_.size() != 1) return nullptr;
  return calls_.front().own;
}

void CTplExpressionImpl::Adopt(const ComPtr<CTplMacroCallImpl>& call) {
  call->SetOwner(this);
  if (calls_.empty()) calls_.push_back({call, call.get(), call.get()});
}

int32_t CTplExpressionImpl::GetOwner(ITplUnknown** out) {
  if (out == nullptr) return 1;
  *out = ComPtr<ITplUnknown>::retain(owner_).detach();
  return 0;
}

int32_t CTplExpressionImpl::Clone(ITplExpression** out) {
  if (out == nullptr) return 0;
  *out = nullptr;
  if (ManagerGone(maker_.life)) return 1;  // a copy could do nothing
  ComPtr<ITplExpression> copy = MakeOwnExpression(maker_, owner_);
  if (!copy || copy->SetText(text_.c_str()) != 0) return 1;
  *out = copy.detach();
  return 0;
}

}  // namespace quenloft
