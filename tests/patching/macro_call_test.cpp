// The macro call object, made through the manager's ITplMacroServices, and
// a host's own call, whose arguments the built-in functions read.
#include <gtest/gtest.h>

#include <climits>

#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using namespace quenloft::testing;

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

// A clone keeps the text and the context; an index out of range leaves the
// string alone; without an owner there is neither context nor container.
TEST(MacroCallTest, ContextContainerCloneAndArguments) {
  LanguageSession m;
  ITplPatchedFile* page = m.NewFile("page.htm");
  ITplExpression* expression = m.NewExpression("", page);
  ITplMacroCall* call = m.NewCall("F(a, b)", expression);
  ITplMacroCall* clone = nullptr;
  ITplUnknown* container = nullptr;
  ITplExpression* context = nullptr;
  EXPECT_EQ(Codes({call->Clone(&clone), call->GetContainer(&container),
                   clone->GetContext(&context)}),
            "0,0,0");
  EXPECT_NE(clone, call);
  EXPECT_EQ(container, page);
  EXPECT_EQ(context, expression);
  HostString s;
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

}  // namespace
}  // namespace quenloft_test
