// The macro call object, made through the manager's ITplMacroServices.
#include <gtest/gtest.h>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

class MacroCallTest : public ::testing::Test {
 protected:
  ITplMacroCall* NewCall(const char* text, ITplExpression* context = nullptr) {
    ITplMacroCall* call = nullptr;
    m.services->CreateMacroCall(&call, context);
    if (call != nullptr && text != nullptr) call->SetText(text);
    return call;
  }
  static std::string Value(ITplMacroCall* call) {
    Str out;
    out.get()->SetText("stale");
    EXPECT_EQ(call->GetValue(out), 0);
    return out.text();
  }

  ManagerUnderTest m;
};

TEST_F(MacroCallTest, FieldsAfterSetText) {
  ITplMacroCall* call = NewCall("  n = Fn.Member(a, 'b,c' , ) ");
  ASSERT_NE(call, nullptr);
  Str s;
  call->GetText(s);
  EXPECT_EQ(s.text(), "  n = Fn.Member(a, 'b,c' , ) ");  // as given
  call->GetName(s);
  EXPECT_EQ(s.text(), "Fn");
  call->GetMember(s);
  EXPECT_EQ(s.text(), "Member");
  call->GetAssignTarget(s);
  EXPECT_EQ(s.text(), "n");
  int32_t count = -1;
  EXPECT_EQ(call->GetArgCount(&count), 0);
  EXPECT_EQ(count, 2);
  call->GetArg(1, s);
  EXPECT_EQ(s.text(), "'b,c'");
  EXPECT_EQ(call->Release(), 0);
}

TEST_F(MacroCallTest, OutOfRangeArgumentsLeaveTheStringAlone) {
  ITplMacroCall* call = NewCall("F(a, b)");
  Str s;
  s.get()->SetText("kept");
  for (int32_t index : {2, 3, -1, -2147483647 - 1}) {
    EXPECT_EQ(call->GetArg(index, s), 1) << index;
    EXPECT_EQ(s.text(), "kept");
  }
  EXPECT_EQ(call->GetArg(0, nullptr), 1);
  call->Release();
}

TEST_F(MacroCallTest, MissingArgumentsGiveTheirResults) {
  ITplMacroCall* call = NewCall("F(a)");
  EXPECT_EQ(call->SetText(nullptr), 1);
  EXPECT_EQ(call->SetText(""), 1);
  Str s;
  call->GetText(s);
  EXPECT_EQ(s.text(), "F(a)");  // unchanged by the refused SetText
  EXPECT_EQ(call->GetText(nullptr), 1);
  EXPECT_EQ(call->GetName(nullptr), 0);
  EXPECT_EQ(call->GetMember(nullptr), 0);
  EXPECT_EQ(call->GetArgCount(nullptr), 1);
  EXPECT_EQ(call->GetAssignTarget(nullptr), 1);
  EXPECT_EQ(call->GetResult(nullptr), 1);
  EXPECT_EQ(call->GetValue(nullptr), 1);
  EXPECT_EQ(call->SetResult(nullptr), 0);
  EXPECT_EQ(call->SetResultObject(nullptr), 0);
  EXPECT_EQ(call->GetResultObject(nullptr), 1);
  EXPECT_EQ(call->GetContext(nullptr), 1);
  EXPECT_EQ(call->GetContainer(nullptr), 1);
  EXPECT_EQ(call->Clone(nullptr), 0);
  EXPECT_EQ(call->QueryInterface(IID_ITplMacroCall, nullptr), TPL_E_INVALIDARG);
  void* other = &other;
  EXPECT_EQ(call->QueryInterface(IID_ITplExpression, &other), TPL_E_NOTIMPL);
  EXPECT_EQ(other, nullptr);
  call->Release();
}

TEST_F(MacroCallTest, ValueFollowsResultAndAssignment) {
  struct Case {
    const char* text;
    const char* result;  // null: none set
    const char* value;
  };
  const Case cases[] = {
      {"Name.Member", nullptr, "Name.Member"},
      {"Name", "x", "x"},
      {"Name", "", ""},
      {"t = Name", "x", ""},
      {"t = Name", nullptr, "t = Name"},
  };
  for (const Case& c : cases) {
    ITplMacroCall* call = NewCall(c.text);
    if (c.result != nullptr) call->SetResult(c.result);
    EXPECT_EQ(Value(call), c.value) << c.text;
    call->Release();
  }
}

TEST_F(MacroCallTest, SetTextClearsTheResult) {
  ITplMacroCall* call = NewCall("a");
  call->SetResult("x");
  Str s;
  EXPECT_EQ(call->GetResult(s), 0);
  EXPECT_EQ(s.text(), "x");
  call->SetResult("y");  // a later result replaces the earlier
  call->GetResult(s);
  EXPECT_EQ(s.text(), "y");
  call->SetText("b");
  EXPECT_EQ(call->GetResult(s), 1);
  EXPECT_EQ(Value(call), "b");
  call->Release();
}

TEST_F(MacroCallTest, ResultObjectKeepsOneReference) {
  FakeHost first;
  FakeHost second;
  ITplMacroCall* call = NewCall("a");
  ITplUnknown* out = &first;
  EXPECT_EQ(call->GetResultObject(&out), 1);
  EXPECT_EQ(out, nullptr);
  call->SetResultObject(&first);
  call->SetResultObject(&second);
  EXPECT_EQ(first.count, 0);
  EXPECT_EQ(second.count, 1);
  EXPECT_EQ(call->GetResultObject(&out), 0);
  EXPECT_EQ(out, static_cast<ITplUnknown*>(&second));
  EXPECT_EQ(second.count, 2);
  out->Release();
  call->SetText("b");  // clears the object as well
  EXPECT_EQ(second.count, 0);
  EXPECT_EQ(call->GetResultObject(&out), 1);
  call->SetResultObject(&first);
  EXPECT_EQ(call->Release(), 0);
  EXPECT_EQ(first.count, 0);
}

TEST_F(MacroCallTest, ContextAndContainerComeFromTheExpression) {
  FakeContainer page("page.htm");
  ITplExpression* expression = nullptr;
  m.services->CreateExpression(&expression, page.unknown());
  ASSERT_NE(expression, nullptr);
  ITplMacroCall* call = NewCall("a", expression);

  ITplExpression* context = nullptr;
  EXPECT_EQ(call->GetContext(&context), 0);
  EXPECT_EQ(context, expression);
  context->Release();
  ITplUnknown* container = nullptr;
  EXPECT_EQ(call->GetContainer(&container), 0);
  EXPECT_EQ(container, page.unknown());
  container->Release();

  ITplMacroCall* clone = nullptr;
  EXPECT_EQ(call->Clone(&clone), 0);
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone, call);
  Str s;
  clone->GetText(s);
  EXPECT_EQ(s.text(), "a");
  clone->GetContext(&context);
  EXPECT_EQ(context, expression);
  context->Release();
  EXPECT_EQ(clone->Release(), 0);

  call->Release();
  EXPECT_EQ(expression->Release(), 0);
  EXPECT_EQ(page.count, 0);

  // Without an owner there is neither.
  ITplMacroCall* orphan = NewCall("a");
  context = reinterpret_cast<ITplExpression*>(&s);
  EXPECT_EQ(orphan->GetContext(&context), 1);
  EXPECT_EQ(context, nullptr);
  EXPECT_EQ(orphan->GetContainer(&container), 1);
  EXPECT_EQ(container, nullptr);
  orphan->Release();
}

}  // namespace
}  // namespace quenloft_test
