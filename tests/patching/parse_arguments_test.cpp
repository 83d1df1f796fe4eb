// ParseArguments against a call of a host's own making. What it gives for
// ordinary calls shows through the built-in functions (tests/functions).
#include "functions/parse_arguments.h"

#include <gtest/gtest.h>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

using quenloft::ArgumentMode;
using quenloft::ParseArguments;

// A call of a host's own making that claims far more arguments than it
// can give.
class BoastingCall final : public quenloft::testing::SelfCounted<ITplMacroCall> {
 public:
  int32_t QL_CALL GetArgCount(int32_t* count) override {
    *count = INT32_MAX;
    return 0;
  }
  int32_t QL_CALL GetArg(int32_t index, ICvoString* out) override {
    if (index < 0 || index >= 2 || out == nullptr) return 1;
    out->SetText(index == 0 ? "'a'" : "b");
    return 0;
  }
  // The rest give nothing.
  int32_t QL_CALL SetText(const char*) override { return 1; }
  int32_t QL_CALL GetText(ICvoString*) override { return 1; }
  int32_t QL_CALL GetName(ICvoString*) override { return 0; }
  int32_t QL_CALL GetMember(ICvoString*) override { return 0; }
  int32_t QL_CALL GetAssignTarget(ICvoString*) override { return 1; }
  int32_t QL_CALL SetResult(const char*) override { return 0; }
  int32_t QL_CALL GetResult(ICvoString*) override { return 1; }
  int32_t QL_CALL SetResultObject(ITplUnknown*) override { return 0; }
  int32_t QL_CALL GetValue(ICvoString*) override { return 1; }
  int32_t QL_CALL GetContext(ITplExpression** out) override { return Nothing(out); }
  int32_t QL_CALL GetContainer(ITplUnknown** out) override { return Nothing(out); }
  int32_t QL_CALL GetResultObject(ITplUnknown** out) override { return Nothing(out); }
  int32_t QL_CALL Clone(ITplMacroCall** out) override { return Nothing(out); }

 private:
  template <typename T>
  static int32_t Nothing(T** out) {
    if (out != nullptr) *out = nullptr;
    return 1;
  }
};

TEST(ParseArguments, ReadingStopsAtTheFirstArgumentACallCannotGive) {
  ManagerUnderTest m;
  BoastingCall call;
  std::vector<std::string> values{"stale"};
  ASSERT_TRUE(ParseArguments(m.services, &call, ArgumentMode::kDeferred, &values));
  EXPECT_EQ(values, (std::vector<std::string>{"a", "\xFF" "b\xFF"}));
  // No call at all: nothing to read.
  EXPECT_FALSE(ParseArguments(m.services, nullptr, ArgumentMode::kEvaluated, &values));
  EXPECT_TRUE(values.empty());
}

}  // namespace
}  // namespace quenloft_test
