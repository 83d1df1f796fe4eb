// ParseArguments, driven the way a built-in function drives it: from the
// Resolve of a resolver registered with a real manager.
#include "functions/parse_arguments.h"

#include <gtest/gtest.h>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

using quenloft::ArgumentMode;
using quenloft::ParseArguments;

// "Join" concatenates its evaluated arguments; "Show" lists its deferred
// arguments between <>.
class ParseArgumentsTest : public ::testing::Test {
 protected:
  ParseArgumentsTest() {
    join.on_resolve = [this](ITplMacroCall* call) {
      std::vector<std::string> values{"stale"};
      if (!ParseArguments(m.services, call, ArgumentMode::kEvaluated, &values)) return 1;
      std::string joined;
      for (const std::string& v : values) joined += v;
      call->SetResult(joined.c_str());
      return 0;
    };
    show.on_resolve = [this](ITplMacroCall* call) {
      std::vector<std::string> values;
      ParseArguments(m.services, call, ArgumentMode::kDeferred, &values);
      std::string listed;
      for (const std::string& v : values) listed += "<" + v + ">";
      call->SetResult(listed.c_str());
      return 0;
    };
    m.manager->AddResolver(&join);
    m.manager->AddResolver(&show);
  }
  ~ParseArgumentsTest() override {
    m.manager->RemoveResolver(&join);
    m.manager->RemoveResolver(&show);
    EXPECT_EQ(join.count(), 0);
    EXPECT_EQ(show.count(), 0);
  }

  ManagerUnderTest m;
  TestResolver join{{"Join"}};
  TestResolver show{{"Show"}};
};

TEST_F(ParseArgumentsTest, ValuesByKind) {
  const struct {
    const char* statement;
    const char* value;
  } cases[] = {
      {"Join(\"a,b\", 'c')", "a,bc"},
      // Parentheses do not nest: the arguments are "'<'", "Join('a'" (no
      // closing parenthesis, so no arguments), "Join('b'))" and "'>'".
      {"Join('<', Join('a', Join('b')), '>')", "<'b')>"},
      {"Join(,'a')", "a"},
      {"Show(x, 'y', , NoSuch)", "<\xFFx\xFF><y><><\xFFNoSuch\xFF>"},
      {"Show()", ""},
      {"Show(a, b", ""},  // unmatched: no arguments
  };
  for (const auto& c : cases) EXPECT_EQ(m.Evaluate(c.statement), c.value) << c.statement;
  EXPECT_TRUE(m.host.outputs.empty());
}

// A call of a host's own making that claims far more arguments than it
// can give.
class BoastingCall final : public ITplMacroCall {
 public:
  int32_t QL_CALL QueryInterface(const TplIID&, void** out) override {
    if (out != nullptr) *out = nullptr;
    return TPL_E_NOTIMPL;
  }
  int32_t QL_CALL AddRef() override { return 2; }
  int32_t QL_CALL Release() override { return 1; }
  int32_t QL_CALL SetText(const char*) override { return 1; }
  int32_t QL_CALL GetText(ICvoString*) override { return 1; }
  int32_t QL_CALL GetName(ICvoString*) override { return 0; }
  int32_t QL_CALL GetMember(ICvoString*) override { return 0; }
  int32_t QL_CALL GetAssignTarget(ICvoString*) override { return 1; }
  int32_t QL_CALL SetResult(const char*) override { return 0; }
  int32_t QL_CALL GetResult(ICvoString*) override { return 1; }
  int32_t QL_CALL SetResultObject(ITplUnknown*) override { return 0; }
  int32_t QL_CALL GetValue(ICvoString*) override { return 1; }
  int32_t QL_CALL GetArgCount(int32_t* count) override {
    *count = INT32_MAX;
    return 0;
  }
  int32_t QL_CALL GetArg(int32_t index, ICvoString* out) override {
    if (index < 0 || index >= 2 || out == nullptr) return 1;
    out->SetText(index == 0 ? "'a'" : "b");
    return 0;
  }
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

TEST_F(ParseArgumentsTest, ReadingStopsAtTheFirstArgumentACallCannotGive) {
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
