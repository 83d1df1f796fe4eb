// A statement of a host's own making, resolved by the manager: the built-in
// function it names reads its arguments through the host's call.
#include <gtest/gtest.h>

#include <climits>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

// Names Concat and claims far more arguments than it can give: 'a' and b.
class BoastingCall final : public quenloft::testing::SelfCounted<ITplMacroCall> {
 public:
  int32_t QL_CALL GetText(ICvoString* out) override { return out->SetText("Concat('a', b)"); }
  int32_t QL_CALL GetName(ICvoString* out) override { return out->SetText("Concat"); }
  int32_t QL_CALL GetArgCount(int32_t* count) override {
    *count = INT32_MAX;
    return 0;
  }
  int32_t QL_CALL GetArg(int32_t index, ICvoString* out) override {
    if (index < 0 || index >= 2 || out == nullptr) return 1;
    return out->SetText(index == 0 ? "'a'" : "b");
  }
  int32_t QL_CALL SetResult(const char* text) override {
    result = text;
    return 0;
  }
  // The rest give nothing.
  int32_t QL_CALL SetText(const char*) override { return 1; }
  int32_t QL_CALL GetMember(ICvoString*) override { return 0; }
  int32_t QL_CALL GetAssignTarget(ICvoString*) override { return 0; }
  int32_t QL_CALL GetResult(ICvoString*) override { return 1; }
  int32_t QL_CALL SetResultObject(ITplUnknown*) override { return 0; }
  int32_t QL_CALL GetValue(ICvoString*) override { return 1; }
  int32_t QL_CALL GetContext(ITplExpression** out) override { return Nothing(out); }
  int32_t QL_CALL GetContainer(ITplUnknown** out) override { return Nothing(out); }
  int32_t QL_CALL GetResultObject(ITplUnknown** out) override { return Nothing(out); }
  int32_t QL_CALL Clone(ITplMacroCall** out) override { return Nothing(out); }

  std::string result;

 private:
  template <typename T>
  static int32_t Nothing(T** out) {
    if (out != nullptr) *out = nullptr;
    return 1;
  }
};

// The count a call reports is not trusted: reading stops at the first
// argument the call cannot give.
TEST(ParseArguments, ReadingStopsAtTheFirstArgumentACallCannotGive) {
  quenloft::testing::ManagerSession session;
  session.Open(quenloft::testing::ManagerSession::BuiltIns::kAttached);
  BoastingCall call;
  EXPECT_EQ(session.services->ResolveMacroCall(&call), 0);
  EXPECT_EQ(call.result, "ab");  // b resolves to nothing: its own text
  EXPECT_EQ(session.host.AllOutput(), Unresolved("b"));
  EXPECT_EQ(call.count(), 1);
}

}  // namespace
}  // namespace quenloft_test
