// The language's objects, made through the manager's ITplMacroServices,
// beyond the statement table: the expression (listing, clones, owners, the
// local scope), the macro call and a host's own call whose arguments the
// built-in functions read, the scope behind every scope and the nesting
// bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using namespace quenloft::testing;

// The statement of a listed call and the position after it.
std::string Listed(ITplMacroCall* call, uint32_t position) {
  HostString text("none");
  if (call != nullptr) call->GetText(&text);
  if (call != nullptr) call->Release();
  return text.text() + "@" + std::to_string(position) + " ";
}

// Positions: 0xFFFFFFFF before the first call, 0 after the last. A parsed
// expression keeps its calls when its text changes; a clone takes the text
// as it is now, has calls of its own and the same owner.
TEST(ExpressionTest, ListingClonesAndOwner) {
  LanguageSession m;
  ITplPatchedFile* page = m.NewFile("page.htm");
  ITplExpression* expression = m.NewExpression(" a ; b;c", page);
  ITplMacroCall* call = nullptr;
  uint32_t position = 7;
  expression->GetFirstCall(&call, &position);
  std::string listing = Listed(call, position);
  for (int i = 0; i < 3; ++i) {
    expression->GetNextCall(&call, &position);
    listing += Listed(call, position);
  }
  position = 0xFFFFFFFFu;
  expression->GetNextCall(&call, &position);
  listing += Listed(call, position);
  ITplExpression* short_text = m.NewExpression("abcd");  // never parsed: lists nothing
  short_text->GetFirstCall(&call, &position);
  EXPECT_EQ(listing + Listed(call, position), "a@2 b@3 c@0 none@0 a@2 none@0 ");
  EXPECT_EQ(short_text->Release(), 0);

  expression->SetText("'new'  ");
  ITplExpression* clone = nullptr;
  ITplUnknown* owner = nullptr;
  HostString value;
  EXPECT_EQ(Codes({expression->Clone(&clone), expression->Evaluate(&value),
                   clone->Evaluate(&value), clone->GetOwner(&owner), owner->Release()}),
            "0,1,0,0,1");
  EXPECT_EQ(value.text(), "new");
  EXPECT_EQ(owner, page);
  EXPECT_EQ(Codes({clone->Release(), expression->Release(), page->Release()}), "0,0,0");
  EXPECT_EQ(m.host.AllOutput(), UnresolvedIn("a", "page.htm") + UnresolvedIn("b", "page.htm") +
                                    UnresolvedIn("c", "page.htm"));
  // An owner that is no patched file names no file.
  SelfCounted<ITplUnknown> other_owner(0);
  m.host.Forget();
  EXPECT_EQ(m.Evaluate("Foo.Bar", &other_owner), kUntouched);
  EXPECT_EQ(m.host.AllOutput(), Unresolved("Foo.Bar"));
  EXPECT_EQ(other_owner.count(), 0);
}

// The scope is made on request and replaced after an evaluation, its names
// withdrawn with it.
TEST(ExpressionTest, LocalScopeLivesForOneEvaluation) {
  LanguageSession m;
  ITplExpression* expression = m.NewExpression("w = 'a'; w; pre");
  ITplVariables* scope = nullptr;
  ASSERT_EQ(expression->QueryInterface(IID_ITplVariables, reinterpret_cast<void**>(&scope)), 0);
  scope->SetVariable("pre", "set");
  scope->Release();
  HostString out;
  EXPECT_EQ(expression->Evaluate(&out), 0);
  EXPECT_EQ(out.text(), "aset");
  EXPECT_EQ(Codes({m.manager->HasResolverFor("w"), m.manager->HasResolverFor("pre"),
                   expression->Evaluate(&out), expression->Release()}),
            "1,1,1,0");
  EXPECT_EQ(m.host.AllOutput(), Unresolved("pre"));
}

// The value: the statement without a result, nothing for an answered
// assignment, else the result. A new text clears result and result object;
// a refused one keeps everything. One reference is kept, to the last object.
TEST(MacroCallTest, ValueResultAndResultObject) {
  LanguageSession m;
  SelfCounted<ITplUnknown> first(0), second(0);
  ITplMacroCall* call = m.NewCall("t = Name.Member");
  const auto value = [&] {
    HostString out("stale");
    EXPECT_EQ(call->GetValue(&out), 0);
    return out.text() + "|";
  };
  std::string values = value();
  call->SetResult("x");
  values += value();
  call->SetResultObject(&first);
  call->SetResultObject(&second);
  EXPECT_EQ(Codes({call->SetText(""), call->SetText(nullptr), first.count(), second.count()}),
            "1,1,0,1");
  call->SetText("Name");
  values += value();
  EXPECT_EQ(second.count(), 0);
  call->SetResult("x");
  values += value();
  EXPECT_EQ(values, "t = Name.Member||Name|x|");
  HostString result;
  ITplUnknown* object = &first;
  EXPECT_EQ(Codes({call->GetResult(&result), call->GetResultObject(&object)}), "0,1");
  EXPECT_EQ(object, nullptr);
  call->SetResultObject(&first);
  EXPECT_EQ(Codes({call->GetResultObject(&object), first.count()}), "0,2");
  EXPECT_EQ(object, &first);
  object->Release();
  EXPECT_EQ(Codes({call->Release(), first.count()}), "0,0");
}

// A clone keeps the text and the context, not the result; an index out of
// range leaves the string alone; without an owner there is neither context
// nor container.
TEST(MacroCallTest, ContextContainerCloneAndArguments) {
  LanguageSession m;
  ITplPatchedFile* page = m.NewFile("page.htm");
  ITplExpression* expression = m.NewExpression("", page);
  ITplMacroCall* call = m.NewCall("F(a, b)", expression);
  ITplMacroCall* clone = nullptr;
  ITplUnknown* container = nullptr;
  ITplExpression* context = nullptr;
  HostString s;
  call->SetResult("r");
  EXPECT_EQ(Codes({call->Clone(&clone), call->GetContainer(&container),
                   clone->GetContext(&context), clone->GetResult(&s)}),
            "0,0,0,1");  // a clone has no result yet
  EXPECT_NE(clone, call);
  EXPECT_EQ(container, page);
  EXPECT_EQ(context, expression);
  clone->GetArg(1, &s);
  for (int32_t index : {2, -1, -2147483647 - 1}) EXPECT_EQ(clone->GetArg(index, &s), 1) << index;
  EXPECT_EQ(s.text(), "b");
  EXPECT_EQ(Codes({container->Release(), context->Release(), clone->Release(), call->Release(),
                   expression->Release(), page->Release()}),
            "1,1,0,0,0,0");

  ITplMacroCall* orphan = m.NewCall("a");
  context = expression;
  EXPECT_EQ(Codes({orphan->GetContext(&context), orphan->GetContainer(&container),
                   orphan->QueryInterface(IID_ITplMacroCall, nullptr), orphan->Release()}),
            Codes({1, 1, TPL_E_INVALIDARG, 0}));
  EXPECT_EQ(context, nullptr);
}

// Names Concat and claims far more arguments than it can give: 'a' and b.
class BoastingCall final : public SelfCounted<ITplMacroCall> {
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
  LanguageSession m;
  BoastingCall call;
  EXPECT_EQ(m.services->ResolveMacroCall(&call), 0);
  EXPECT_EQ(call.result, "ab");  // b resolves to nothing: its own text
  EXPECT_EQ(m.host.AllOutput(), Unresolved("b"));
  EXPECT_EQ(call.count(), 1);
}

// The scope class behind every scope, through the manager's own.
TEST(MacroResolution, ScopeStoresAppendsRemovesAndClears) {
  LanguageSession m;
  ITplVariables* scope = m.GlobalScope();
  ASSERT_NE(scope, nullptr);
  EXPECT_EQ(Codes({scope->SetVariable("a", "1"), scope->SetVariable("a", "2"),
                   scope->AppendVariable("s", "x"), scope->AppendVariable("s", "y")}),
            "1,1,1,1");
  scope->SetVariable("n", nullptr);
  scope->SetVariable("", "ignored");
  scope->SetVariable(nullptr, "ignored");
  scope->AppendVariable(nullptr, "ignored");
  // Only the name counts; names keep their case.
  EXPECT_EQ(m.Evaluate("'['; a.member(1); s; n; ']'"), "[2xy]");
  EXPECT_EQ(m.manager->HasResolverFor("A"), 1);

  EXPECT_EQ(Codes({scope->RemoveVariable("a"), scope->RemoveVariable("a"),
                   scope->RemoveVariable(""), scope->RemoveVariable(nullptr),
                   m.manager->HasResolverFor("a")}),
            "0,1,1,1,0");  // a removed name is still offered, answering nothing
  scope->SetVariable("a", "3");
  EXPECT_EQ(m.Evaluate("a ; s"), "3xy");
  scope->RemoveVariable("s");
  // Clearing withdraws the removed names too.
  EXPECT_EQ(Codes({scope->ClearVariables(), m.manager->HasResolverFor("a"),
                   m.manager->HasResolverFor("n"), m.manager->HasResolverFor("s"),
                   scope->ClearVariables()}),
            "0,1,1,1,0");
  scope->Release();
  EXPECT_TRUE(m.host.outputs.empty());
}

// Every level resolves the same statement again, as a template that refers
// to itself would. The bound is per evaluation chain: a second run goes just
// as deep. Arguments nested past it fail at the innermost call.
TEST(MacroResolution, NestingIsBounded) {
  LanguageSession m;
  int deepest = 0, depth = 0;
  HostResolver loop({"Loop"});
  loop.on_resolve = [&](ITplMacroCall* call) {
    deepest = std::max(deepest, ++depth);
    ITplMacroCall* nested = m.NewCall("Loop");
    const int32_t inner = m.services->ResolveMacroCall(nested);
    nested->Release();
    call->SetResult(inner == 0 ? "deeper" : "bottom");
    --depth;
    return 0;
  };
  m.manager->AddResolver(&loop);
  for (int run = 0; run < 2; ++run) {
    deepest = 0;
    HostString out;
    m.manager->ResolveMacroText("Loop", &out);
    EXPECT_EQ(out.text(), "deeper");
    EXPECT_EQ(deepest, 64);
    EXPECT_EQ(m.host.outputs, (std::vector<std::string>(run + 1, Unresolved("Loop"))));
  }
  m.manager->RemoveResolver(&loop);

  const auto nested = [](int depth) {
    std::string text = "'1'";
    for (int i = 0; i < depth; ++i) text = "IsTrue(" + text + ")";
    return text;
  };
  m.host.Forget();
  EXPECT_EQ(m.Evaluate(nested(64).c_str()), "true");
  EXPECT_TRUE(m.host.outputs.empty());
  EXPECT_EQ(m.Evaluate(nested(65).c_str()), "false");
  EXPECT_EQ(m.host.outputs.size(), 1u);
}

}  // namespace
}  // namespace quenloft_test
