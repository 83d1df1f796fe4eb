#include "patching/macro_call_impl.h"

#include "frame/boundary.h"
#include "patching/objects.h"
#include "quenloft/string_object.h"

namespace quenloft {

int32_t CTplMacroCallImpl::Release() {
  const int32_t left = OwnerHeldComObject<CTplMacroCallImpl, ITplMacroCall>::Release();
  if (left == 0) {
    if (pool_ != nullptr) {
      pool_->Return(this);
    } else {
      delete this;
    }
  }
  return left;
}

void CTplMacroCallImpl::Recycle() noexcept {
  parts_.clear();
  text_.clear();
  result_.clear();
  result_object_.reset();
  result_set_ = false;
  object_set_ = false;
  owner_ = nullptr;
  kept_owner_.reset();
  owner_maker_ = nullptr;
}

ITplExpression* CTplMacroCallImpl::Owner() {
  if (owner_ == nullptr && owner_maker_ != nullptr) {
    OwnerMaker* maker = owner_maker_;
    owner_maker_ = nullptr;  // asked once
    owner_ = Guarded<ITplExpression*>(nullptr, [&] { return maker->MakeOwner(*this); });
  }
  return owner_;
}

bool CTplMacroCallImpl::TakeText(std::string_view text) {
  if (text.empty()) return false;
  parts_.clear();  // before text_ changes: the views point into it
  result_.clear();
  result_object_.reset();
  result_set_ = false;
  object_set_ = false;
  text_.assign(text);
  return true;
}

bool CTplMacroCallImpl::SetStatement(std::string_view text) {
  if (!TakeText(text)) return false;
  ParseStatement(text_, &parts_);
  return true;
}

bool CTplMacroCallImpl::SetStatement(std::string_view text, const StatementParts& parts) {
  if (!TakeText(text)) return false;
  const std::string_view own = text_;
  const auto moved = [&](std::string_view part) {
    return part.empty() ? std::string_view() : own.substr(part.data() - text.data(), part.size());
  };
  parts_.target = moved(parts.target);
  parts_.name = moved(parts.name);
  parts_.member = moved(parts.member);
  for (const std::string_view argument : parts.arguments) parts_.arguments.push_back(moved(argument));
  return true;
}

int32_t CTplMacroCallImpl::SetText(const char* text) {
  if (text == nullptr || *text == '\0') return 1;
  return Guarded(1, [&] { return SetStatement(text) ? 0 : 1; });
}

int32_t CTplMacroCallImpl::GetText(ICvoString* out) {
  if (out == nullptr) return 1;
  WriteString(out, text_);
  return 0;
}

int32_t CTplMacroCallImpl::GetName(ICvoString* out) {
  if (out != nullptr) WriteString(out, parts_.name);
  return 0;
}

int32_t CTplMacroCallImpl::GetMember(ICvoString* out) {
  if (out != nullptr) WriteString(out, parts_.member);
  return 0;
}

int32_t CTplMacroCallImpl::GetArgCount(int32_t* count) {
  if (count == nullptr) return 1;
  *count = static_cast<int32_t>(parts_.arguments.size());
  return 0;
}

int32_t CTplMacroCallImpl::GetArg(int32_t index, ICvoString* out) {
  // A negative index is out of range like one past the end.
  if (out == nullptr || index < 0 || static_cast<size_t>(index) >= parts_.arguments.size()) {
    return 1;
  }
  WriteString(out, parts_.arguments[static_cast<size_t>(index)]);
  return 0;
}

int32_t CTplMacroCallImpl::GetAssignTarget(ICvoString* out) {
  if (out == nullptr) return 1;
  WriteString(out, parts_.target);
  return 0;
}

int32_t CTplMacroCallImpl::GetContext(ITplExpression** out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  if (Owner() == nullptr) return 1;
  *out = ComPtr<ITplExpression>::retain(owner_).detach();
  return 0;
}

int32_t CTplMacroCallImpl::GetContainer(ITplUnknown** out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  if (Owner() == nullptr) return 1;
  return owner_->GetOwner(out);
}

void CTplMacroCallImpl::SetResultText(std::string_view text) {
  result_.assign(text);
  result_set_ = true;
}

int32_t CTplMacroCallImpl::SetResult(const char* text) {
  if (text == nullptr) return 0;
  return Guarded(1, [&] {
    SetResultText(text);
    return 0;
  });
}

int32_t CTplMacroCallImpl::GetResult(ICvoString* out) {
  if (out == nullptr || !result_set_) return 1;
  WriteString(out, result_);
  return 0;
}

int32_t CTplMacroCallImpl::SetResultObject(ITplUnknown* object) {
  if (object == nullptr) return 0;
  result_object_ = ComPtr<ITplUnknown>::retain(object);
  object_set_ = true;
  return 0;
}

int32_t CTplMacroCallImpl::GetResultObject(ITplUnknown** out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  if (!object_set_ || !result_object_) return 1;
  result_object_.copy_to(out);
  return 0;
}

void CTplMacroCallImpl::AppendValue(ValueSink& out) const {
  if (!result_set_) {
    out.Append(text_);
  } else if (parts_.target.empty()) {
    out.Append(result_);  // zero-terminated text, like everything it is made of
  }
  // A result and an assignment: the result went into the variable.
}

int32_t CTplMacroCallImpl::GetValue(ICvoString* out) {
  if (out == nullptr) return 1;
  if (!result_set_) {
    WriteString(out, text_);
  } else if (!parts_.target.empty()) {
    out->Empty();  // the result went into the variable
  } else {
    WriteString(out, result_);
  }
  return 0;
}

int32_t CTplMacroCallImpl::Clone(ITplMacroCall** out) {
  if (out == nullptr) return 0;
  *out = nullptr;
  if (ManagerGone(life_)) return 1;  // nothing can be made for it
  ComPtr<ITplMacroCall> copy;
  if (engine_ != nullptr) {
    copy = engine_->LendCall(Owner());
  } else {
    copy = MakeMacroCall(Maker{services_, nullptr, nullptr, life_}, Owner());
  }
  if (!copy) return 1;
  if (!text_.empty()) copy->SetText(text_.c_str());
  *out = copy.detach();
  return 0;
}

// ---- OwnCallStatement --------------------------------------------------

// Through the call's own GetContainer, which asks the owning expression,
// as it would for any resolver: the expression may be a host's.
std::string OwnCallStatement::ContainerFileName() {
  ComPtr<ITplUnknown> container;
  call_.GetContainer(container.put());
  return FileNameOfContainer(container);
}

ComPtr<ITplVariables> OwnCallStatement::ContainerScope() {
  ComPtr<ITplUnknown> container;
  call_.GetContainer(container.put());
  return container.query<ITplVariables>(IID_ITplVariables);
}

ComPtr<ITplVariables> OwnCallStatement::ContextScope() {
  ComPtr<ITplExpression> context;
  call_.GetContext(context.put());
  return context.query<ITplVariables>(IID_ITplVariables);
}

std::string FileNameOfContainer(const ComPtr<ITplUnknown>& container) {
  const ComPtr<ITplPatchedFile> patched = container.query<ITplPatchedFile>(IID_ITplPatchedFile);
  if (!patched) return {};
  const ComPtr<ICvoString> name = NewString();
  if (!name) return {};
  patched->GetFileName(name.get());
  return ReadString(name.get());
}

}  // namespace quenloft
