// The expression object, made through the manager's ITplMacroServices.
#include <gtest/gtest.h>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

class ExpressionTest : public ::testing::Test {
 protected:
  ITplExpression* NewExpression(const char* text, ITplUnknown* owner = nullptr) {
    ITplExpression* expression = nullptr;
    m.services->CreateExpression(&expression, owner);
    if (expression != nullptr && text != nullptr) expression->SetText(text);
    return expression;
  }

  // The statements of the calls, in listing order, each between <>.
  static std::string Statements(ITplExpression* expression) {
    std::string out;
    ITplMacroCall* call = nullptr;
    uint32_t position = 0;
    expression->GetFirstCall(&call, &position);
    while (call != nullptr) {
      Text text;
      call->GetText(text);
      out += "<" + text.text() + ">";
      call->Release();
      if (position == 0) break;
      expression->GetNextCall(&call, &position);
    }
    return out;
  }

  ManagerUnderTest m;
};

struct SplitCase {
  const char* text;
  const char* statements;
};

// ";" splits outside quotes; escape pairs are stepped over whole and then
// removed outside quotes; every statement is trimmed.
constexpr SplitCase kSplits[] = {
    {"Output('a')", "<Output('a')>"},
    {"Output('a');Output('b')", "<Output('a')><Output('b')>"},
    {"Output('a;b')", "<Output('a;b')>"},
    {"x\\'y;z", "<x'y><z>"},
    {"a\\;b;c", "<a\\><b><c>"},  // "\;" is no pair
    {"  a ;\t b ;; c  ", "<a><b><c>"},
    {"  ;  ; ", ""},
    {"'a\\'b;c'", "<'a\\'b;c'>"},  // escaped quote keeps the quote open
    {"\"a';\";b", "<\"a';\"><b>"},
    {"'open; never closed", "<'open; never closed>"},
    {"50\\% ; a\\\\b", "<50%><a\\b>"},
    {" \\  x;", "<\\  x>"},  // a backslash before space is kept
    {"abcde", "<abcde>"},
    {"   a ", "<a>"},  // five bytes as given, one after trimming
};

TEST_F(ExpressionTest, SplitTable) {
  for (const SplitCase& c : kSplits) {
    ITplExpression* expression = NewExpression(c.text);
    EXPECT_EQ(Statements(expression), c.statements) << c.text;
    EXPECT_EQ(expression->Release(), 0);
  }
}

TEST_F(ExpressionTest, ShortTextNeverParses) {
  for (const char* text : {"", "'ab'", "abcd"}) {
    ITplExpression* expression = NewExpression(text);
    Text out;
    out.get()->SetText("kept");
    EXPECT_EQ(expression->Evaluate(out), 1) << text;
    EXPECT_EQ(out.text(), "kept");
    EXPECT_EQ(Statements(expression), "");
    expression->Release();
  }
}

TEST_F(ExpressionTest, ListingPositions) {
  ITplExpression* expression = NewExpression("'a';'b'");
  ITplMacroCall* first = nullptr;
  ITplMacroCall* next = nullptr;
  uint32_t position = 0;
  expression->GetFirstCall(&first, &position);
  expression->GetNextCall(&next, &position);
  EXPECT_EQ(position, 0u);  // after the last
  next->Release();
  expression->GetNextCall(&next, &position);
  EXPECT_EQ(next, nullptr);
  position = 0xFFFFFFFFu;  // before the first
  expression->GetNextCall(&next, &position);
  EXPECT_EQ(next, first);
  next->Release();
  first->Release();
  EXPECT_EQ(expression->Release(), 0);
}

TEST_F(ExpressionTest, EvaluateJoinsValuesOrGivesTheTextOnFailure) {
  int seen = 0;
  TestResolver counter({"Count"});
  counter.on_resolve = [&](ITplMacroCall* call) {
    call->SetResult(std::to_string(++seen).c_str());
    return 0;
  };
  m.manager->AddResolver(&counter);

  ITplExpression* expression = NewExpression("Count; '-'; Count");
  Text out;
  EXPECT_EQ(expression->Evaluate(out), 0);
  EXPECT_EQ(out.text(), "1-2");
  EXPECT_EQ(expression->Evaluate(out), 0);  // resolved again each time
  EXPECT_EQ(out.text(), "3-4");
  expression->Release();

  // The first statement fails; the second still runs, and the value is
  // the whole text.
  expression = NewExpression("Nobody; Count");
  EXPECT_EQ(expression->Evaluate(out), 1);
  EXPECT_EQ(out.text(), "Nobody; Count");
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(expression->Evaluate(nullptr), 1);
  expression->Release();

  expression = NewExpression("  ;  ; ");
  out.get()->SetText("x");
  EXPECT_EQ(expression->Evaluate(out), 0);
  EXPECT_EQ(out.text(), "");
  expression->Release();
  m.manager->RemoveResolver(&counter);
}

TEST_F(ExpressionTest, LocalVariablesLiveForOneEvaluation) {
  ITplExpression* expression = NewExpression("v = 'a'; v; w = v");
  Text out;
  EXPECT_EQ(expression->Evaluate(out), 0);
  EXPECT_EQ(out.text(), "a");
  EXPECT_EQ(m.manager->HasResolverFor("v"), 1);
  EXPECT_EQ(m.manager->HasResolverFor("w"), 1);

  // The scope is handed out on request and replaced after an evaluation.
  ITplVariables* scope = nullptr;
  ASSERT_EQ(expression->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope)), 0);
  scope->SetVariable("pre", "set");
  EXPECT_EQ(m.manager->HasResolverFor("pre"), 0);
  scope->Release();
  EXPECT_EQ(expression->Evaluate(out), 0);
  EXPECT_EQ(m.manager->HasResolverFor("pre"), 1);
  expression->Release();

  // Another expression does not see them.
  EXPECT_EQ(m.Evaluate("v ;  "), "");
  EXPECT_EQ(m.host.outputs.size(), 1u);
}

TEST_F(ExpressionTest, RemovedNameIsWithdrawnWithTheScope) {
  ITplExpression* expression = NewExpression("'x'; 'y'");
  ITplVariables* scope = nullptr;
  expression->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope));
  scope->SetVariable("gone", "1");
  EXPECT_EQ(scope->RemoveVariable("gone"), 0);
  // Still registered, to a scope that no longer holds it.
  EXPECT_EQ(m.manager->HasResolverFor("gone"), 0);
  EXPECT_EQ(m.Resolve("gone"), "");
  scope->Release();
  Text out;
  expression->Evaluate(out);  // destroys the scope
  EXPECT_EQ(m.manager->HasResolverFor("gone"), 1);
  EXPECT_EQ(m.Resolve("gone"), "");  // reported, not answered by a dead scope
  EXPECT_EQ(m.host.outputs.size(), 1u);
  expression->Release();
}

TEST_F(ExpressionTest, CloneHasItsOwnCallsAndOwner) {
  ITplPatchedFile* page = m.NewFile("page.htm");
  ITplExpression* expression = NewExpression("v = 'a'; v", page);
  ITplMacroCall* original = nullptr;
  uint32_t position = 0;
  expression->GetFirstCall(&original, &position);

  ITplExpression* clone = nullptr;
  EXPECT_EQ(expression->Clone(&clone), 0);
  Text value;
  EXPECT_EQ(clone->Evaluate(value), 0);
  EXPECT_EQ(value.text(), "a");
  ITplMacroCall* cloned = nullptr;
  clone->GetFirstCall(&cloned, &position);
  EXPECT_NE(cloned, original);
  cloned->Release();
  ITplUnknown* owner = nullptr;
  EXPECT_EQ(clone->GetOwner(&owner), 0);
  EXPECT_EQ(owner, page);
  owner->Release();
  EXPECT_EQ(clone->Release(), 0);

  // A parsed expression keeps its calls when its text changes.
  expression->SetText("'other'");
  expression->Evaluate(value);
  EXPECT_EQ(value.text(), "a");
  original->Release();
  EXPECT_EQ(expression->Release(), 0);
  EXPECT_EQ(page->Release(), 0);
}

}  // namespace
}  // namespace quenloft_test
