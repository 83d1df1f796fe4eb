// Stand-ins for the manager and its expressions, so that the patched file
// can be tested apart from the statement language. An expression's value is
// its text in square brackets; a text starting with "fail" does not
// evaluate. The services log every evaluation and count live expressions.
#ifndef QUENLOFT_TESTS_PATCHING_PATCHED_FILE_FAKES_H
#define QUENLOFT_TESTS_PATCHING_PATCHED_FILE_FAKES_H

#include <span>
#include <string>
#include <vector>

#include "frame/com_object.h"
#include "frame/string_object.h"

namespace quenloft::testing {

class FakeServices;

class FakeExpression final : public ComObject<FakeExpression, ITplExpression> {
 public:
  static constexpr Lifetime kLifetime = Lifetime::kSelfOwned;
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;
  static std::span<const QIEntry> InterfaceTable() {
    static constexpr QIEntry kTable[] = {
        {&IID_ITplExpression, &InterfaceOf<FakeExpression, ITplExpression>}};
    return kTable;
  }

  FakeExpression(FakeServices* services, ITplUnknown* owner);
  ~FakeExpression() override;

  int32_t QL_CALL SetText(const char* text) override {
    if (text != nullptr) text_ = text;
    return 0;
  }
  int32_t QL_CALL GetText(ICvoString* out) override {
    WriteString(out, text_);
    return 0;
  }
  int32_t QL_CALL GetFirstCall(ITplMacroCall** call, uint32_t* position) override {
    return GetNextCall(call, position);
  }
  int32_t QL_CALL GetNextCall(ITplMacroCall** call, uint32_t* position) override {
    if (call != nullptr) *call = nullptr;
    if (position != nullptr) *position = 0;
    return 0;
  }
  int32_t QL_CALL Evaluate(ICvoString* out) override;
  int32_t QL_CALL GetOwner(ITplUnknown** out) override {
    if (out == nullptr) return 1;
    *out = owner_;
    if (owner_ != nullptr) owner_->AddRef();
    return 0;
  }
  int32_t QL_CALL Clone(ITplExpression** out) override {
    if (out != nullptr) *out = nullptr;
    return 0;
  }

 private:
  FakeServices* services_;
  ITplUnknown* owner_;
  std::string text_;
};

class FakeServices final : public ComObject<FakeServices, ITplMacroServices> {
 public:
  static constexpr Lifetime kLifetime = Lifetime::kOwnerHeld;
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;
  static std::span<const QIEntry> InterfaceTable() {
    static constexpr QIEntry kTable[] = {
        {&IID_ITplMacroServices, &InterfaceOf<FakeServices, ITplMacroServices>}};
    return kTable;
  }

  int32_t QL_CALL RegisterName(const char*, ITplResolver*) override { return 0; }
  int32_t QL_CALL UnregisterName(const char*, ITplResolver*) override { return 0; }
  int32_t QL_CALL AddTemplateFile(const char*, ITplFileSource*) override { return 1; }
  int32_t QL_CALL RemoveTemplateFile(const char*, ITplFileSource*) override { return 1; }
  int32_t QL_CALL CreateMacroCall(ITplMacroCall** out, ITplExpression*) override {
    if (out != nullptr) *out = nullptr;
    return 0;
  }
  int32_t QL_CALL CreateExpression(ITplExpression** out, ITplUnknown* owner) override {
    if (out == nullptr) return 0;
    *out = nullptr;
    owners.push_back(owner);
    if (!hand_out_expressions) return 0;
    *out = new FakeExpression(this, owner);
    (*out)->AddRef();
    return 0;
  }
  int32_t QL_CALL CreatePatchedFile(ITplPatchedFile** out) override {
    if (out != nullptr) *out = nullptr;
    return 0;
  }
  int32_t QL_CALL ResolveMacroCall(ITplMacroCall*) override { return 1; }

  bool hand_out_expressions = true;
  std::vector<ITplUnknown*> owners;    // one per CreateExpression
  std::vector<std::string> evaluated;  // expression texts, in order
  int live_expressions = 0;
};

inline FakeExpression::FakeExpression(FakeServices* services, ITplUnknown* owner)
    : services_(services), owner_(owner) {
  ++services_->live_expressions;
}

inline FakeExpression::~FakeExpression() { --services_->live_expressions; }

inline int32_t FakeExpression::Evaluate(ICvoString* out) {
  if (out == nullptr) return 1;
  services_->evaluated.push_back(text_);
  if (text_.rfind("fail", 0) == 0) {
    WriteString(out, text_);
    return 1;
  }
  WriteString(out, "[" + text_ + "]");
  return 0;
}

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_PATCHING_PATCHED_FILE_FAKES_H
