// CTplExpressionImpl: the text of one marker, cut at ";" into statements,
// one macro call each. Evaluate has the manager resolve every call in text
// order and joins their values; the scope "Local-CurrentExpression" lives
// for one evaluation. Self-owned; used by one thread at a time.
#ifndef QUENLOFT_PATCHING_EXPRESSION_IMPL_H
#define QUENLOFT_PATCHING_EXPRESSION_IMPL_H

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/boundary.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplExpressionImpl final : public ComObject<CTplExpressionImpl, ITplExpression> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;
  static std::span<const QIEntry> InterfaceTable();

  // Shorter texts never parse (measured before trimming).
  static constexpr size_t kMinTextLength = 5;
  // Call-listing positions; any other value designates entry value - 1.
  static constexpr uint32_t kBeforeFirst = 0xFFFFFFFFu;
  static constexpr uint32_t kAfterLast = 0;

  // Neither pointer is counted: the manager outlives the expression, and
  // the owner (the patched file) holds it.
  CTplExpressionImpl(ITplMacroServices* services, ITplUnknown* owner)
      : services_(services), owner_(owner) {}
  ~CTplExpressionImpl() override;

  int32_t QL_CALL SetText(const char* text) override;
  int32_t QL_CALL GetText(ICvoString* out) override;
  int32_t QL_CALL GetFirstCall(ITplMacroCall** call, uint32_t* position) override;
  int32_t QL_CALL GetNextCall(ITplMacroCall** call, uint32_t* position) override;
  int32_t QL_CALL Evaluate(ICvoString* out) override;
  int32_t QL_CALL GetOwner(ITplUnknown** out) override;
  int32_t QL_CALL Clone(ITplExpression** out) override;

 private:
  static ITplUnknown* ScopeInterface(void* self);

  bool Parse();
  void AddStatement(std::string_view range);
  void DropScope();

  std::vector<ComPtr<ITplMacroCall>> calls_;
  std::string text_;
  ITplMacroServices* services_;
  ITplUnknown* owner_;
  Owned<ITplVariables> scope_{nullptr, nullptr};
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_EXPRESSION_IMPL_H
