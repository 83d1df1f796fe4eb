// CTplMacroCallImpl: one statement. SetText parses it into assignment
// target, name, member and arguments; resolvers read those and give the
// result back; GetValue says what the statement contributes to its
// expression. Self-owned; used by one thread at a time.
#ifndef QUENLOFT_PATCHING_MACRO_CALL_IMPL_H
#define QUENLOFT_PATCHING_MACRO_CALL_IMPL_H

#include <string>

#include "language/statement_parser.h"
#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"

namespace quenloft {

class CTplMacroCallImpl final : public ComObject<CTplMacroCallImpl, ITplMacroCall> {
 public:
  static constexpr int32_t kNullOutResult = TPL_E_INVALIDARG;

  // Neither pointer is counted: the manager outlives its calls, and the
  // owning expression holds the call.
  CTplMacroCallImpl(ITplMacroServices* services, ITplExpression* owner)
      : services_(services), owner_(owner) {}

  int32_t QL_CALL SetText(const char* text) override;
  int32_t QL_CALL GetText(ICvoString* out) override;
  int32_t QL_CALL GetName(ICvoString* out) override;
  int32_t QL_CALL GetMember(ICvoString* out) override;
  int32_t QL_CALL GetArgCount(int32_t* count) override;
  int32_t QL_CALL GetArg(int32_t index, ICvoString* out) override;
  int32_t QL_CALL GetAssignTarget(ICvoString* out) override;
  int32_t QL_CALL GetContext(ITplExpression** out) override;
  int32_t QL_CALL GetContainer(ITplUnknown** out) override;
  int32_t QL_CALL SetResult(const char* text) override;
  int32_t QL_CALL GetResult(ICvoString* out) override;
  int32_t QL_CALL SetResultObject(ITplUnknown* object) override;
  int32_t QL_CALL GetResultObject(ITplUnknown** out) override;
  int32_t QL_CALL GetValue(ICvoString* out) override;
  int32_t QL_CALL Clone(ITplMacroCall** out) override;

 private:
  std::string text_;
  StatementParts parts_;  // views into text_, renewed whenever text_ changes
  std::string result_;
  ComPtr<ITplUnknown> result_object_;
  bool result_set_ = false;
  bool object_set_ = false;
  ITplMacroServices* services_;
  ITplExpression* owner_;
};

}  // namespace quenloft

#endif  // QUENLOFT_PATCHING_MACRO_CALL_IMPL_H
