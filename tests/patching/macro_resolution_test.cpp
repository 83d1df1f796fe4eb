// Resolution through a manager's public interfaces beyond the statement
// table: the scope behind every scope and the nesting bound.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using namespace quenloft::testing;

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
