#include "patching/expression_impl.h"

#include "language/escapes.h"
#include "language/statement_parser.h"
#include "patching/objects.h"
#include "quenloft/string_object.h"

namespace quenloft {

std::span<const QIEntry> CTplExpressionImpl::InterfaceTable() {
  static constexpr QIEntry kTable[] = {
      {&IID_ITplExpression, &InterfaceOf<CTplExpressionImpl, ITplExpression>},
      {&IID_ITplVariables, &CTplExpressionImpl::ScopeInterface},
  };
  return kTable;
}

// The scope is made on request and handed out until the next evaluation
// ends; null when it cannot be made.
ITplUnknown* CTplExpressionImpl::ScopeInterface(void* self) {
  auto* expression = static_cast<CTplExpressionImpl*>(self);
  if (!expression->scope_) {
    expression->scope_ = MakeVariableScope(expression->services_, kExpressionScopeName);
  }
  return expression->scope_.get();
}

CTplExpressionImpl::~CTplExpressionImpl() {
  DropScope();
  calls_.clear();
}

void CTplExpressionImpl::DropScope() {
  // The scope's deleter clears its variables, which withdraws their names
  // from the manager, before destroying it.
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

void CTplExpressionImpl::AddStatement(std::string_view range) {
  if (range.empty() || services_ == nullptr) return;
  std::string statement = RemoveEscapes(range);
  const std::string_view trimmed = TrimStatementSpace(statement);
  if (trimmed.empty()) return;
  const size_t lead = static_cast<size_t>(trimmed.data() - statement.data());
  statement.resize(lead + trimmed.size());
  statement.erase(0, lead);
  ComPtr<ITplMacroCall> call;
  services_->CreateMacroCall(call.put(), this);
  if (!call) return;
  call->SetText(statement.c_str());
  calls_.push_back(std::move(call));
}

bool CTplExpressionImpl::Parse() {
  if (!calls_.empty()) return true;
  if (text_.size() < kMinTextLength) return false;
  // On a failure the calls added so far stay.
  return Guarded(false, [&] {
    const std::string_view text = TrimStatementSpace(text_);
    char quote = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1])) {
        ++i;  // an escape pair neither opens a quote nor ends a statement
      } else if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (IsQuoteByte(c)) {
        quote = c;
      } else if (c == ';') {
        AddStatement(text.substr(start, i - start));
        start = i + 1;
      }
    }
    AddStatement(text.substr(start));
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
  calls_[index].copy_to(call);
  *position = index + 1 < calls_.size() ? static_cast<uint32_t>(index + 2) : kAfterLast;
  return 0;
}

int32_t CTplExpressionImpl::Evaluate(ICvoString* out) {
  if (out == nullptr) return 1;
  if (!Parse()) return 1;
  const int32_t result = Guarded(1, [&] {
    // Every call is resolved, also after one has failed, so that the side
    // effects of all statements happen. Index and a reference of our own:
    // a resolver may re-enter this expression.
    bool failed = false;
    for (size_t i = 0; i < calls_.size(); ++i) {
      const ComPtr<ITplMacroCall> call = calls_[i];
      if (services_ == nullptr || services_->ResolveMacroCall(call.get()) != 0) failed = true;
    }
    if (failed) {
      WriteString(out, text_);
      return 1;
    }
    std::string value;
    const ComPtr<ICvoString> part = NewString();
    if (!part) return 1;
    for (size_t i = 0; i < calls_.size(); ++i) {
      const ComPtr<ITplMacroCall> call = calls_[i];
      part->Empty();
      call->GetValue(part.get());
      value += ReadString(part.get());
    }
    WriteString(out, value);
    return 0;
  });
  DropScope();  // variables without suffix live for one evaluation
  return result;
}

int32_t CTplExpressionImpl::GetOwner(ITplUnknown** out) {
  if (out == nullptr) return 1;
  *out = ComPtr<ITplUnknown>::retain(owner_).detach();
  return 0;
}

int32_t CTplExpressionImpl::Clone(ITplExpression** out) {
  if (out == nullptr) return 0;
  *out = nullptr;
  ComPtr<ITplExpression> copy = MakeExpression(services_, owner_);
  if (!copy || copy->SetText(text_.c_str()) != 0) return 1;
  *out = copy.detach();
  return 0;
}

}  // namespace quenloft
