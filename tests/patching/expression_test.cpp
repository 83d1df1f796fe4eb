// The expression object, made through the manager's ITplMacroServices.
#include <gtest/gtest.h>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

// The statements of the calls in listing order, each between <>. After the
// last the position is 0 and nothing follows; 0xFFFFFFFF is before the first.
std::string Statements(ITplExpression* expression) {
  std::string out;
  ITplMacroCall* call = nullptr;
  uint32_t position = 0;
  expression->GetFirstCall(&call, &position);
  ITplMacroCall* const first = call;
  while (call != nullptr) {
    Text text;
    call->GetText(text);
    out += "<" + text.text() + ">";
    if (call != first) call->Release();
    if (position == 0) break;
    expression->GetNextCall(&call, &position);
  }
  if (first == nullptr) return out;
  expression->GetNextCall(&call, &position);
  EXPECT_EQ(call, nullptr);
  position = 0xFFFFFFFFu;
  expression->GetNextCall(&call, &position);
  EXPECT_EQ(call, first);
  if (call != nullptr) call->Release();
  first->Release();
  return out;
}

// ";" splits outside quotes; escape pairs are stepped over whole and then
// removed outside quotes; every statement is trimmed. Texts shorter than
// five bytes are never parsed.
TEST(ExpressionTest, SplitTable) {
  const struct {
    const char* text;
    const char* statements;
  } cases[] = {
    {"Output('a');Output('b')", "<Output('a')><Output('b')>"},
    {"x\\'y;z", "<x'y><z>"},
    {"a\\;b;c", "<a\\><b><c>"},  // "\;" is no pair
    {"  a ;\t b ;; c  ", "<a><b><c>"},
    {"'a\\'b;c'", "<'a\\'b;c'>"},  // escaped quote keeps the quote open
    {"\"a';\";b", "<\"a';\"><b>"},
    {"'open; never closed", "<'open; never closed>"},
    {"50\\% ; a\\\\b", "<50%><a\\b>"},
    {" \\  x;", "<\\  x>"},  // a backslash before space is kept
    {"\\q \\\\\\%; \\", "<\\q \\%><\\>"},  // q is not escapable; pairs go whole
    {"   a ", "<a>"},  // five bytes as given, one after trimming
    {"abcd", ""},
    {"", ""},
  };
  ManagerUnderTest m;
  for (const auto& c : cases) {
    ITplExpression* expression = m.NewExpression(c.text);
    EXPECT_EQ(Statements(expression), c.statements) << c.text;
    EXPECT_EQ(expression->Release(), 0);
  }
}

// A failed statement does not stop the next; the value is then the text.
TEST(ExpressionTest, EvaluateJoinsValuesOrGivesTheTextOnFailure) {
  ManagerUnderTest m;
  int seen = 0;
  TestResolver counter({"Count"});
  counter.on_resolve = [&](ITplMacroCall* call) {
    call->SetResult(std::to_string(++seen).c_str());
    return 0;
  };
  m.manager->AddResolver(&counter);
  // Each evaluation as "result:value"; every one resolves its calls again.
  const auto evaluate = [&](const char* text, ICvoString* out) {
    ITplExpression* expression = m.NewExpression(text);
    std::string results;
    for (int i = 0; i < 2; ++i) {
      const int32_t result = expression->Evaluate(out);
      results += std::to_string(result) + ":" + quenloft::testing::TextOf(out) + "|";
    }
    EXPECT_EQ(expression->Release(), 0);
    return results;
  };
  Text out;
  EXPECT_EQ(evaluate("Count; '-'; Count", out), "0:1-2|0:3-4|");
  EXPECT_EQ(evaluate("Nobody; Count", out), "1:Nobody; Count|1:Nobody; Count|");
  EXPECT_EQ(seen, 6);
  EXPECT_EQ(evaluate("Nobody; Count", nullptr), "1:|1:|");
  out.get()->SetText("x");
  EXPECT_EQ(evaluate("  ;  ; ", out), "0:|0:|");
  out.get()->SetText("kept");
  EXPECT_EQ(evaluate("'ab'", out), "1:kept|1:kept|");  // too short: fails, out untouched
  m.manager->RemoveResolver(&counter);
}

// The scope is handed out on request and replaced after an evaluation; its
// names, removed ones too, are withdrawn with it, so that no name is left
// to a dead scope.
TEST(ExpressionTest, LocalScopeLivesForOneEvaluation) {
  ManagerUnderTest m;
  ITplExpression* expression = m.NewExpression("v = 'a'; v; w = v");
  Text out;
  EXPECT_EQ(expression->Evaluate(out), 0);
  EXPECT_EQ(out.text(), "a");
  const auto offered = [&] {
    std::string found;
    for (const char* name : {"v", "w", "pre", "gone"}) {
      if (m.manager->HasResolverFor(name) == 0) found += std::string(name) + " ";
    }
    return found;
  };
  EXPECT_EQ(offered(), "");

  ITplVariables* scope = nullptr;
  ASSERT_EQ(expression->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope)), 0);
  scope->SetVariable("pre", "set");
  scope->SetVariable("gone", "1");
  EXPECT_EQ(scope->RemoveVariable("gone"), 0);
  EXPECT_EQ(offered(), "pre gone ");  // gone: to a scope that no longer holds it
  EXPECT_EQ(m.Resolve("gone"), "");  // answered without a result: no message
  scope->Release();
  EXPECT_EQ(expression->Evaluate(out), 0);
  EXPECT_EQ(offered(), "");
  EXPECT_EQ(m.Resolve("gone"), "");  // reported, not answered by a dead scope
  expression->Release();

  EXPECT_EQ(m.Evaluate("v ;  "), "");  // another expression does not see them
  EXPECT_EQ(m.host.outputs.size(), 2u);
}

// A clone has calls of its own and the same owner; a parsed expression
// keeps its calls when its text changes.
TEST(ExpressionTest, CloneHasItsOwnCallsAndOwner) {
  ManagerUnderTest m;
  ITplPatchedFile* page = m.NewFile("page.htm");
  ITplExpression* expression = m.NewExpression("v = 'a'; v", page);
  ITplExpression* clone = nullptr;
  EXPECT_EQ(expression->Clone(&clone), 0);
  Text value;
  EXPECT_EQ(clone->Evaluate(value), 0);
  EXPECT_EQ(value.text(), "a");
  ITplMacroCall* original = nullptr;
  ITplMacroCall* cloned = nullptr;
  uint32_t position = 0;
  expression->GetFirstCall(&original, &position);
  clone->GetFirstCall(&cloned, &position);
  EXPECT_NE(cloned, original);
  ITplUnknown* owner = nullptr;
  EXPECT_EQ(clone->GetOwner(&owner), 0);
  EXPECT_EQ(owner, page);
  for (ITplUnknown* done : {static_cast<ITplUnknown*>(cloned), owner}) done->Release();
  EXPECT_EQ(clone->Release(), 0);

  expression->SetText("'other'");
  expression->Evaluate(value);
  EXPECT_EQ(value.text(), "a");
  original->Release();
  EXPECT_EQ(expression->Release(), 0);
  EXPECT_EQ(page->Release(), 0);
}

}  // namespace
}  // namespace quenloft_test
