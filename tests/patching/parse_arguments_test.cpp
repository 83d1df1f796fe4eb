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
  struct Case {
    const char* statement;
    const char* value;
  };
  const Case cases[] = {
      {"Join('x')", "x"},
      {"Join('a\\'b')", "a'b"},
      {"Join('')", ""},
      {"Join(\"a,b\", 'c')", "a,bc"},
      {"Join('ab', Join('cd'))", "abcd"},  // the inner call has its own values
      // Parentheses do not nest: the arguments are "'<'", "Join('a'" (no
      // closing parenthesis, so no arguments), "Join('b'))" and "'>'".
      {"Join('<', Join('a', Join('b')), '>')", "<'b')>"},
      {"Join(,'a')", "a"},
      {"Show(x, 'y', , NoSuch)", "<\xFFx\xFF><y><><\xFFNoSuch\xFF>"},
      {"Show()", ""},
      {"Show(a, b", ""},  // unmatched: no arguments
  };
  for (const Case& c : cases) EXPECT_EQ(m.Evaluate(c.statement), c.value) << c.statement;
  EXPECT_TRUE(m.host.outputs.empty());
}

TEST_F(ParseArgumentsTest, UnresolvedArgumentsKeepTheirText) {
  // Resolved as given (an expression would remove the escape first).
  EXPECT_EQ(m.Resolve("Join(NoSuchName, '-', a\\%b)"), "NoSuchName-a\\%b");
  EXPECT_EQ(m.host.outputs,
            (std::vector<std::string>{"Template Error: can not resolve macro: NoSuchName \r\n",
                                      "Template Error: can not resolve macro: a\\%b \r\n"}));
}

TEST_F(ParseArgumentsTest, EvaluatedArgumentsSeeAndSetTheExpressionsVariables) {
  // Arguments are evaluated in order before the function acts; an argument
  // can read a variable an earlier statement of the same expression set.
  EXPECT_EQ(m.Evaluate("v = 'in'; Join('<', v, '>')"), "<in>");
  // An argument cannot assign: its "=" belongs to the whole statement,
  // which then has no name and fails silently.
  Text out;
  out.get()->SetText("kept");
  EXPECT_EQ(m.manager->EvaluateExpression("Join(x = 'a')", out), 0);
  EXPECT_EQ(out.text(), "kept");
  EXPECT_EQ(join.resolve_calls, 1);
  EXPECT_TRUE(m.host.outputs.empty());
}

TEST_F(ParseArgumentsTest, MissingCallFails) {
  std::vector<std::string> values{"stale"};
  EXPECT_FALSE(ParseArguments(m.services, nullptr, ArgumentMode::kEvaluated, &values));
  EXPECT_TRUE(values.empty());
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
  int32_t QL_CALL GetArgCount(int32_t* count) override {
    *count = INT32_MAX;
    return 0;
  }
  int32_t QL_CALL GetArg(int32_t index, ICvoString* out) override {
    if (index < 0 || index >= 2 || out == nullptr) return 1;
    out->SetText(index == 0 ? "'a'" : "b");
    return 0;
  }
  int32_t QL_CALL GetAssignTarget(ICvoString*) override { return 1; }
  int32_t QL_CALL GetContext(ITplExpression** out) override {
    if (out != nullptr) *out = nullptr;
    return 1;
  }
  int32_t QL_CALL GetContainer(ITplUnknown** out) override {
    if (out != nullptr) *out = nullptr;
    return 1;
  }
  int32_t QL_CALL SetResult(const char*) override { return 0; }
  int32_t QL_CALL GetResult(ICvoString*) override { return 1; }
  int32_t QL_CALL SetResultObject(ITplUnknown*) override { return 0; }
  int32_t QL_CALL GetResultObject(ITplUnknown** out) override {
    if (out != nullptr) *out = nullptr;
    return 1;
  }
  int32_t QL_CALL GetValue(ICvoString*) override { return 1; }
  int32_t QL_CALL Clone(ITplMacroCall** out) override {
    if (out != nullptr) *out = nullptr;
    return 0;
  }
};

TEST_F(ParseArgumentsTest, ReadingStopsAtTheFirstArgumentACallCannotGive) {
  BoastingCall call;
  std::vector<std::string> values;
  ASSERT_TRUE(ParseArguments(m.services, &call, ArgumentMode::kDeferred, &values));
  EXPECT_EQ(values, (std::vector<std::string>{"a", "\xFF" "b\xFF"}));
}

}  // namespace
}  // namespace quenloft_test
