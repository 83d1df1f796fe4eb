// The expression object, made through the manager's ITplMacroServices.
// How texts split into statements shows in the resolution table; here: the
// listing, clones, owners and the local scope.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quenloft_test
