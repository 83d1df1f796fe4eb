// The macro call object, made through the manager's ITplMacroServices.
#include <gtest/gtest.h>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

// A new text clears the result; a refused one keeps everything.
TEST(MacroCallTest, ValueFollowsResultAndAssignment) {
  const struct {
    const char* text;
    const char* result;  // null: none set
    const char* value;
  } cases[] = {
      {"Name.Member", nullptr, "Name.Member"}, {"Name", "x", "x"},
      {"Name", "", ""},                        {"t = Name", "x", ""},
      {"t = Name", nullptr, "t = Name"},
  };
  ManagerUnderTest m;
  for (const auto& c : cases) {
    ITplMacroCall* call = m.NewCall(c.text);
    if (c.result != nullptr) call->SetResult(c.result);
    Text value;
    value.get()->SetText("stale");
    EXPECT_EQ(call->GetValue(value), 0);
    EXPECT_EQ(value.text(), c.value) << c.text;
    EXPECT_EQ(call->SetText(""), 1);
    EXPECT_EQ(call->GetResult(value), c.result != nullptr ? 0 : 1);
    call->SetText("other");
    EXPECT_EQ(call->GetResult(value), 1);
    call->Release();
  }
}

TEST(MacroCallTest, ResultObjectKeepsOneReference) {
  ManagerUnderTest m;
  Counted first(0), second(0);
  ITplMacroCall* call = m.NewCall("a");
  call->SetResultObject(&first);
  call->SetResultObject(&second);
  EXPECT_EQ(first.count() * 10 + second.count(), 1);
  ITplUnknown* out = nullptr;
  EXPECT_EQ(call->GetResultObject(&out), 0);
  EXPECT_EQ(out, &second);
  out->Release();
  call->SetText("b");  // clears the object as well
  EXPECT_EQ(second.count(), 0);
  EXPECT_EQ(call->GetResultObject(&out), 1);
  call->SetResultObject(&first);
  EXPECT_EQ(call->Release(), 0);
  EXPECT_EQ(first.count(), 0);
}

// A clone keeps the text and the context; an index out of range leaves the
// string alone.
TEST(MacroCallTest, ContextContainerCloneAndArguments) {
  ManagerUnderTest m;
  ITplPatchedFile* page = m.NewFile("page.htm");
  ITplExpression* expression = nullptr;
  m.services->CreateExpression(&expression, page);
  ITplMacroCall* call = m.NewCall("F(a, b)", expression);

  ITplUnknown* container = nullptr;
  EXPECT_EQ(call->GetContainer(&container), 0);
  EXPECT_EQ(container, page);
  container->Release();

  ITplMacroCall* clone = nullptr;
  EXPECT_EQ(call->Clone(&clone), 0);
  ASSERT_NE(clone, call);
  Text s;
  clone->GetArg(1, s);
  EXPECT_EQ(s.text(), "b");
  s.get()->SetText("kept");
  for (int32_t index : {2, -1, -2147483647 - 1}) {
    EXPECT_EQ(clone->GetArg(index, s), 1) << index;
    EXPECT_EQ(s.text(), "kept");
  }
  ITplExpression* context = nullptr;
  EXPECT_EQ(clone->GetContext(&context), 0);
  EXPECT_EQ(context, expression);
  context->Release();
  EXPECT_EQ(clone->Release(), 0);
  call->Release();
  EXPECT_EQ(expression->Release(), 0);
  EXPECT_EQ(page->Release(), 0);

  // Without an owner there is neither, and the out-pointer is cleared.
  ITplMacroCall* orphan = m.NewCall("a");
  context = expression;
  EXPECT_EQ(orphan->GetContext(&context), 1);
  EXPECT_EQ(context, nullptr);
  EXPECT_EQ(orphan->GetContainer(&container), 1);
  EXPECT_EQ(orphan->QueryInterface(IID_ITplMacroCall, nullptr), TPL_E_INVALIDARG);
  orphan->Release();
}

}  // namespace
}  // namespace quenloft_test
