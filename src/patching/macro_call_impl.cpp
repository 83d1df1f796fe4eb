#include "patching/macro_call_impl.h"

#include "frame/boundary.h"
#include "patching/objects.h"
#include "quenloft/string_object.h"

namespace quenloft {

int32_t CTplMacroCallImpl::SetText(const char* text) {
  if (text == nullptr || *text == '\0') return 1;
  return Guarded(1, [&] {
    parts_.clear();  // before text_ changes: the views point into it
    result_.clear();
    result_object_.reset();
    result_set_ = false;
    object_set_ = false;
    text_.assign(text);
    ParseStatement(text_, &parts_);
    return 0;
  });
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
  if (owner_ == nullptr) return 1;
  *out = ComPtr<ITplExpression>::retain(owner_).detach();
  return 0;
}

int32_t CTplMacroCallImpl::GetContainer(ITplUnknown** out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  if (owner_ == nullptr) return 1;
  return owner_->GetOwner(out);
}

int32_t CTplMacroCallImpl::SetResult(const char* text) {
  if (text == nullptr) return 0;
  return Guarded(1, [&] {
    result_.assign(text);
    result_set_ = true;
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
  ComPtr<ITplMacroCall> copy = MakeMacroCall(services_, owner_);
  if (!copy) return 1;
  if (!text_.empty()) copy->SetText(text_.c_str());
  *out = copy.detach();
  return 0;
}

}  // namespace quenloft
