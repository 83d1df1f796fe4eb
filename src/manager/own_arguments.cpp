// ReadOwnArguments, SetOwnResult and ResolveForOwn: the arguments of a
// call the library made, read from the call's parse and evaluated without
// string objects or a call per argument. An argument gets its call only
// when a resolver must receive one (a host's resolver, a function), lent
// with the context a call made through CreateMacroCall would have; what
// hosts see is what the straightforward reading through the interfaces
// shows them. The call's result is set without a zero-terminated copy,
// and a deferred statement is resolved in its context the same way.
// CreateArgumentCall gives a function that reads a call of any making the
// call for an argument, which counts its context like the lent ones, and
// CreateTextExpression the expression for a text, which counts its owner.
#include "manager/manager_impl.h"
#include "patching/expression_impl.h"
#include "patching/macro_call_impl.h"

namespace quenloft {

// One evaluated argument, or a deferred statement, on its way through
// resolution.
class ArgumentStatement final : public StatementView, private CTplMacroCallImpl::OwnerMaker {
 public:
  ArgumentStatement(MacroEngine& engine, ITplMacroCall* outer, std::string_view text,
                    const StatementParts& parts, std::string* value)
      : engine_(engine), outer_(outer), text_(text), parts_(parts), value_(value) {}
  ~ArgumentStatement() {
    if (call_) call_->ForgetOwnerMaker();
  }
  ArgumentStatement(const ArgumentStatement&) = delete;
  ArgumentStatement& operator=(const ArgumentStatement&) = delete;

  std::string_view Name() override { return parts_.name; }
  std::string_view Text() override { return text_; }
  std::string_view Target() override { return parts_.target; }
  bool AnswerableDirectly() const override { return true; }
  void SetResult(std::string_view result) override {
    if (call_) {
      call_->SetResultText(result);
      return;
    }
    value_->assign(result);
    given_ = true;
  }
  std::string_view Result() override {
    if (call_) return call_->result();
    return given_ ? std::string_view(*value_) : std::string_view();
  }
  ITplMacroCall* Call() override {
    if (!call_) {
      // Its owner, the outer call's context, is asked for when someone
      // needs it: the outer call's expression may not exist yet.
      call_ = engine_.LendOwnCall(nullptr);
      if (call_ && call_->SetStatement(text_)) {
        call_->SetOwnerMaker(this);
      } else {
        call_.reset();
      }
    }
    return call_.get();
  }
  CTplMacroCallImpl* MadeCall() override { return call_.get(); }
  std::string ContainerFileName() override {
    return Call() != nullptr ? OwnCallStatement(*call_).ContainerFileName() : std::string();
  }
  ComPtr<ITplVariables> ContainerScope() override {
    return Call() != nullptr ? OwnCallStatement(*call_).ContainerScope() : nullptr;
  }
  ComPtr<ITplVariables> ContextScope() override {
    return Call() != nullptr ? OwnCallStatement(*call_).ContextScope() : nullptr;
  }

  // The statement's result, as its call's GetResult gives it: "" when it
  // has none.
  void ConcludeResult() {
    if (call_) {
      value_->assign(call_->has_result() ? call_->result() : std::string_view());
    } else if (!given_) {
      value_->clear();
    }
  }
  // The argument's value, as its call's GetValue gives it: the text when
  // unresolved or resolved without a result, nothing after an assignment.
  void Conclude(bool resolved) {
    if (!resolved) {
      value_->assign(text_);
    } else if (call_) {
      value_->clear();
      StringSink sink(value_);
      call_->AppendValue(sink);
    } else if (!given_) {
      value_->assign(text_);
    } else if (!parts_.target.empty()) {
      value_->clear();
    }
  }

 private:
  // The outer call's context, which does not hold this call: counted by
  // the call, which a resolver may keep beyond the context.
  ITplExpression* MakeOwner(CTplMacroCallImpl& call) override {
    ComPtr<ITplExpression> context;
    outer_->GetContext(context.put());
    call.KeepOwner(context.get());
    return context.get();
  }

  MacroEngine& engine_;
  ITplMacroCall* outer_;
  std::string_view text_;
  const StatementParts& parts_;
  std::string* value_;
  bool given_ = false;
  ComPtr<CTplMacroCallImpl> call_;
};

// A statement of the text in the context of the call at hand, parsed
// into the scratch of this nesting level: the text is kept apart from the
// call it may have come from.
ArgumentStatement CTplManagerImpl::OwnStatement(ITplMacroCall* call, std::string_view text,
                                                std::string* value) {
  while (argument_scratch_.size() <= static_cast<size_t>(nesting_depth_)) {
    argument_scratch_.push_back(std::make_unique<ArgumentScratch>());
  }
  ArgumentScratch& scratch = *argument_scratch_[static_cast<size_t>(nesting_depth_)];
  scratch.text.assign(text);
  ParseStatement(scratch.text, &scratch.parts);
  return ArgumentStatement(*this, call, scratch.text, scratch.parts, value);
}

// Known by the address the resolver was handed, never by a cast.
bool CTplManagerImpl::IsResolving(const ITplMacroCall* call) const {
  return call != nullptr && resolving_ != nullptr && static_cast<ITplMacroCall*>(resolving_) == call;
}

int32_t CTplManagerImpl::SetOwnResult(ITplMacroCall* call, const char* text, size_t length) {
  if (!IsResolving(call) || (text == nullptr && length != 0)) return 1;
  return Guarded(1, [&] {
    const std::string_view result(text, length);
    resolving_->SetResultText(result.substr(0, result.find('\0')));
    return 0;
  });
}

int32_t CTplManagerImpl::ResolveForOwn(ITplMacroCall* call, const char* text, size_t length,
                                       std::string* result) {
  if (!IsResolving(call) || result == nullptr || (text == nullptr && length != 0)) return 1;
  // Past this point the statement is being resolved: a failure leaves the
  // empty result rather than have it resolved again.
  return Guarded(0, [&] {
    result->clear();
    ArgumentStatement statement = OwnStatement(call, std::string_view(text, length), result);
    ResolveStatement(statement);  // one unresolved is reported; its result is ""
    statement.ConcludeResult();
    return 0;
  });
}

namespace {

// Hands out an object made for a function's own statement or text; it
// counts its owner, which does not hold it. 1 when none could be made.
template <class Interface, class Made, class Owner>
int32_t HandOutKeepingOwner(ComPtr<Made> made, Owner* owner, Interface** out) {
  if (!made) return 1;
  made->KeepOwner(owner);
  *out = ComPtr<Interface>(std::move(made)).detach();
  return 0;
}

}  // namespace

int32_t CTplManagerImpl::CreateArgumentCall(ITplMacroCall** out, ITplExpression* context) {
  if (out == nullptr) return 1;
  *out = nullptr;
  return Guarded(1, [&] {
    return HandOutKeepingOwner(MakeOwnMacroCall(OwnMaker(), nullptr), context, out);
  });
}

int32_t CTplManagerImpl::CreateTextExpression(ITplExpression** out, ITplUnknown* owner) {
  if (out == nullptr) return 1;
  *out = nullptr;
  return Guarded(1, [&] {
    return HandOutKeepingOwner(MakeOwnExpression(OwnMaker(), nullptr), owner, out);
  });
}

int32_t CTplManagerImpl::ReadOwnArguments(ITplMacroCall* call, ArgumentMode mode,
                                          std::vector<std::string>* values) {
  if (!IsResolving(call) || values == nullptr) return 1;
  // Past this point the arguments are being evaluated: a failure leaves
  // the values read so far rather than have them read (and evaluated)
  // again through the interface.
  return Guarded(0, [&] {
    CTplMacroCallImpl& own = *resolving_;
    values->clear();
    // As through GetArgCount and GetArg: the count is read once, each
    // argument when its turn comes (an evaluation may give the call
    // another text).
    const size_t count = own.parts().arguments.size();
    for (size_t i = 0; i < count && i < own.parts().arguments.size(); ++i) {
      AppendArgumentValue(own.parts().arguments[i], mode, values,
                          [&](std::string_view text, std::string* value) {
                            ArgumentStatement statement = OwnStatement(call, text, value);
                            statement.Conclude(ResolveStatement(statement) == 0);
                          });
    }
    return 0;
  });
}

}  // namespace quenloft
