// Resolution of statements through the manager's public interfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

// Literals need no resolver; a statement without a name is neither
// resolved nor reported.
TEST(MacroResolution, LiteralsAndNamelessStatements) {
  const struct {
    const char* text;
    const char* value;
  } cases[] = {
      {"\"abc\"", "abc"}, {"'a\\%b'", "a%b"}, {"'a\\'b'", "a'b"}, {"  'x y'  ", "x y"},
      {"'\"q\"'", "\"q\""}, {"Output(x = 1)", ""}, {"=", ""},     {"  ", ""},
  };
  ManagerUnderTest m;
  for (const auto& c : cases) EXPECT_EQ(m.Resolve(c.text), c.value) << c.text;
  EXPECT_TRUE(m.host.outputs.empty());
}

// A resolver that answers without a result gives the empty text (in an
// expression, the statement's own text); one that refuses or throws is
// reported.
TEST(MacroResolution, ResolverAnswersWithoutResultRefusesOrThrows) {
  TestResolver silent({"Quiet"}), refusing({"No"}), throwing({"Boom"});
  silent.on_resolve = [](ITplMacroCall*) { return 0; };
  throwing.on_resolve = [](ITplMacroCall*) -> int32_t { throw std::runtime_error("boom"); };
  {
    ManagerUnderTest m;
    for (TestResolver* r : {&silent, &refusing, &throwing}) m.manager->AddResolver(r);
    // By the statement's name, with case.
    EXPECT_EQ(Codes({m.manager->HasResolverFor(" x = Quiet.m(1)"),
                     m.manager->HasResolverFor("quiet")}),
              "0,1");
    Text out;
    out.get()->SetText("before");
    EXPECT_EQ(m.manager->ResolveMacroText("Quiet", out), 0);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(Codes({m.manager->ResolveMacroText("No", out),
                     m.manager->ResolveMacroText("Boom(1)", out)}),
              "0,0");
    EXPECT_EQ(m.Evaluate("Quiet.member"), "Quiet.member");
    EXPECT_EQ(m.host.outputs, (std::vector<std::string>{Unresolved("No"), Unresolved("Boom(1)")}));
  }
  EXPECT_EQ(silent.resolve_calls, 2);  // HasResolverFor resolves nothing
  EXPECT_EQ(refusing.count() + throwing.count() + silent.count(), 0);
}

TEST(MacroResolution, MessageNamesTheContainersFile) {
  Counted other_owner(0);  // an owner that is no patched file
  ManagerUnderTest m;
  ITplPatchedFile* page = m.NewFile("C:\\out\\page.htm");
  EXPECT_EQ(m.Evaluate("Foo.Bar", page), "");  // failed: out untouched
  EXPECT_EQ(m.Evaluate("Foo.Bar", &other_owner), "");
  m.Resolve("Foo.Bar");
  EXPECT_EQ(m.host.outputs,
            (std::vector<std::string>{UnresolvedIn("Foo.Bar", "C:\\out\\page.htm"),
                                      Unresolved("Foo.Bar"), Unresolved("Foo.Bar")}));
  EXPECT_EQ(page->Release(), 0);
  EXPECT_EQ(other_owner.count(), 0);
}

enum class Lives { kWithExpression, kWithFile, kWithManager };

// The first "$$" or "$" must be the ending; anything else stays local.
TEST(MacroResolution, AssignmentScopeFollowsTheEnding) {
  const struct {
    const char* statement;
    Lives lives;
  } cases[] = {
      {"a$b$$ = 'v'", Lives::kWithManager}, {"y$ = 'v'", Lives::kWithFile},
      {"z = 'v'", Lives::kWithExpression},  {"a$$$ = 'v'", Lives::kWithExpression},
      {"a$$b$ = 'v'", Lives::kWithExpression}, {"$$ = 'v'", Lives::kWithExpression},
  };
  for (const auto& c : cases) {
    ManagerUnderTest m;
    ITplPatchedFile* page = m.NewFile("page.htm");
    const std::string statement = c.statement;
    const std::string name = statement.substr(0, statement.find(' '));
    // Seen by the next statement; afterwards it lives as long as its scope.
    EXPECT_EQ(m.Evaluate((statement + ";" + name).c_str(), page), "v") << c.statement;
    EXPECT_EQ(m.Resolve(name.c_str()) == "v", c.lives != Lives::kWithExpression) << c.statement;
    EXPECT_EQ(page->Release(), 0);
    EXPECT_EQ(m.Resolve(name.c_str()) == "v", c.lives == Lives::kWithManager) << c.statement;
  }
}

TEST(MacroResolution, AppendTrimsTheTargetAndWithoutContextOnlyGlobalsLand) {
  ManagerUnderTest m;
  EXPECT_EQ(m.Evaluate("total$$ = 'a'; total$$+ = 'b'; total$$ \t+ = 'c'"), "");
  m.Evaluate("fresh$$+ = 'x'");
  EXPECT_EQ(m.Resolve("total$$") + "|" + m.Resolve("fresh$$"), "abc|x");

  Text out;
  EXPECT_EQ(Codes({m.manager->ResolveMacroText("local = 'v'", out),
                   m.manager->ResolveMacroText("file$ = 'v'", out),
                   m.manager->HasResolverFor("local"), m.manager->HasResolverFor("file$"),
                   m.manager->ResolveMacroText("kept$$ = 'v'", out)}),
            "0,0,1,1,0");
  EXPECT_EQ(out.text(), "v");  // ResolveMacroText gives the result itself
  EXPECT_EQ(m.Resolve("kept$$"), "v");
  EXPECT_TRUE(m.host.outputs.empty());
}

// The scope class behind every scope, through the manager's own.
TEST(MacroResolution, ScopeStoresAppendsRemovesAndClears) {
  ManagerUnderTest m;
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
  EXPECT_EQ(m.Resolve("a.member(1)") + "|" + m.Resolve("s") + "|" + m.Resolve("n"), "2|xy|");
  EXPECT_TRUE(m.host.outputs.empty());
  EXPECT_EQ(m.manager->HasResolverFor("A"), 1);

  EXPECT_EQ(Codes({scope->RemoveVariable("a"), scope->RemoveVariable("a"),
                   scope->RemoveVariable(""), scope->RemoveVariable(nullptr),
                   m.manager->HasResolverFor("a")}),
            "0,1,1,1,0");  // a removed name is still offered, answering nothing
  scope->SetVariable("a", "3");
  EXPECT_EQ(m.Resolve("a"), "3");
  scope->RemoveVariable("s");
  // Clearing withdraws the removed names too.
  EXPECT_EQ(Codes({scope->ClearVariables(), m.manager->HasResolverFor("a"),
                   m.manager->HasResolverFor("n"), m.manager->HasResolverFor("s"),
                   scope->ClearVariables()}),
            "0,1,1,1,0");
  scope->Release();
}

TEST(MacroResolution, QueryMacroAsksTheExtendedInterface) {
  TestResolver ex({"Ext"}), plain({"Plain"});
  ex.extended = true;
  ex.query_answer = "q";
  {
    ManagerUnderTest m;
    m.manager->AddResolver(&ex);
    m.manager->AddResolver(&plain);
    const auto ask = [&](auto query, const char* text) {
      Text out;
      const int32_t result = (m.copier->*query)(text, out);
      return std::to_string(result) + ":" + out.text();
    };
    const auto query = &ITplFileCopier::QueryMacro;
    const auto map = &ITplFileCopier::QueryAndMapMacro;
    EXPECT_EQ(ask(query, "Ext.a(1)"), "0:q");
    EXPECT_EQ(ask(map, "Ext.a(1)"), "0:mapped:q");
    EXPECT_EQ(ex.queried, (std::vector<std::string>{"Ext.a(1)", "Ext.a(1)"}));
    ex.query_answer.clear();  // an empty answer is not mapped
    EXPECT_EQ(ask(map, "Ext"), "1:");
    EXPECT_EQ(ask(query, "Plain"), "1:");
    EXPECT_EQ(ask(query, "Nobody"), "1:");
    EXPECT_EQ(ex.mapped.size(), 1u);
  }
  EXPECT_EQ(ex.count() + plain.count(), 0);
}

// Every level resolves the same statement again, as a template that refers
// to itself would. The bound is per evaluation chain: a second run goes just
// as deep.
TEST(MacroResolution, NestingIsBounded) {
  ManagerUnderTest m;
  int deepest = 0, depth = 0;
  TestResolver loop({"Loop"});
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
    EXPECT_EQ(m.Resolve("Loop"), "deeper");
    EXPECT_EQ(deepest, 64);
    EXPECT_EQ(m.host.outputs, (std::vector<std::string>(run + 1, Unresolved("Loop"))));
  }
  m.manager->RemoveResolver(&loop);
}

TEST(MacroResolution, ReferencesComeBack) {
  RecordingHost host(0);
  TestResolver resolver({"A", "B"});
  resolver.on_resolve = [](ITplMacroCall* call) { return call->SetResult("r"); };
  {
    ITplManager* manager = nullptr;
    CreateTemplateManagerInstance(&manager);
    ITplFileCopier* copier = nullptr;
    manager->QueryInterface(IID_ITplFileCopier, reinterpret_cast<void**>(&copier));
    copier->Initialize(&host);
    manager->AddResolver(&resolver);
    EXPECT_EQ(resolver.count(), 2);  // one per name
    Text out;
    manager->EvaluateExpression("A; x = A; q$$ = B", out);
    EXPECT_EQ(out.text(), "r");
    copier->Release();
    // No Terminate: the manager gives everything back when it goes.
    EXPECT_EQ(manager->Release(), 0);
  }
  EXPECT_EQ(host.count(), 0);
  EXPECT_EQ(resolver.count(), 0);
}

}  // namespace
}  // namespace quenloft_test
