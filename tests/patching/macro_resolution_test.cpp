// Resolution of statements through the manager's public interfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

std::string Unresolved(const std::string& text) {
  return "Template Error: can not resolve macro: " + text + " \r\n";
}
std::string UnresolvedIn(const std::string& text, const std::string& file) {
  return "Template Error: can not resolve macro: " + text + " in " + file + "\r\n";
}

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
  TestResolver silent({"Quiet"});
  silent.on_resolve = [](ITplMacroCall*) { return 0; };
  TestResolver refusing({"No"});
  TestResolver throwing({"Boom"});
  throwing.on_resolve = [](ITplMacroCall*) -> int32_t { throw std::runtime_error("boom"); };
  {
    ManagerUnderTest m;
    for (TestResolver* r : {&silent, &refusing, &throwing}) m.manager->AddResolver(r);
    EXPECT_EQ(m.manager->HasResolverFor(" x = Quiet.m(1)"), 0);  // by the statement's name
    EXPECT_EQ(m.manager->HasResolverFor("quiet"), 1);            // with case
    Text out;
    out.get()->SetText("before");
    EXPECT_EQ(m.manager->ResolveMacroText("Quiet", out), 0);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(m.Evaluate("Quiet.member"), "Quiet.member");
    EXPECT_EQ(m.manager->ResolveMacroText("No", out), 0);
    EXPECT_EQ(m.manager->ResolveMacroText("Boom(1)", out), 0);
    EXPECT_EQ(m.host.outputs, (std::vector<std::string>{Unresolved("No"), Unresolved("Boom(1)")}));
  }
  EXPECT_EQ(silent.resolve_calls, 2);  // HasResolverFor resolves nothing
  EXPECT_EQ(refusing.count() + throwing.count() + silent.count(), 0);
}

TEST(MacroResolution, MessageNamesTheContainersFile) {
  FakeHost other_owner;  // an owner that is no patched file
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
  EXPECT_EQ(m.Resolve("total$$"), "abc");
  m.Evaluate("fresh$$+ = 'x'");
  EXPECT_EQ(m.Resolve("fresh$$"), "x");

  Text out;
  EXPECT_EQ(m.manager->ResolveMacroText("local = 'v'", out), 0);
  EXPECT_EQ(m.manager->HasResolverFor("local"), 1);
  EXPECT_EQ(m.manager->ResolveMacroText("file$ = 'v'", out), 0);
  EXPECT_EQ(m.manager->HasResolverFor("file$"), 1);
  EXPECT_EQ(m.manager->ResolveMacroText("kept$$ = 'v'", out), 0);
  EXPECT_EQ(out.text(), "v");  // ResolveMacroText gives the result itself
  EXPECT_EQ(m.Resolve("kept$$"), "v");
  EXPECT_TRUE(m.host.outputs.empty());
}

// The scope class behind every scope, through the manager's own.
TEST(MacroResolution, ScopeStoresAppendsRemovesAndClears) {
  ManagerUnderTest m;
  ITplVariables* scope = m.GlobalScope();
  ASSERT_NE(scope, nullptr);
  EXPECT_EQ(scope->SetVariable("a", "1"), 1);
  EXPECT_EQ(scope->SetVariable("a", "2"), 1);
  EXPECT_EQ(scope->AppendVariable("s", "x"), 1);
  EXPECT_EQ(scope->AppendVariable("s", "y"), 1);
  scope->SetVariable("n", nullptr);
  scope->SetVariable("", "ignored");
  scope->SetVariable(nullptr, "ignored");
  scope->AppendVariable(nullptr, "ignored");
  EXPECT_EQ(m.Resolve("a.member(1)"), "2");  // only the name counts
  EXPECT_EQ(m.Resolve("s"), "xy");
  EXPECT_EQ(m.Resolve("n"), "");
  EXPECT_TRUE(m.host.outputs.empty());
  EXPECT_EQ(m.manager->HasResolverFor("A"), 1);  // names keep their case

  EXPECT_EQ(scope->RemoveVariable("a"), 0);
  EXPECT_EQ(scope->RemoveVariable("a"), 1);
  EXPECT_EQ(scope->RemoveVariable(""), 1);
  EXPECT_EQ(scope->RemoveVariable(nullptr), 1);
  EXPECT_EQ(m.manager->HasResolverFor("a"), 0);  // still offered, answering nothing
  scope->SetVariable("a", "3");
  EXPECT_EQ(m.Resolve("a"), "3");
  scope->RemoveVariable("s");
  EXPECT_EQ(scope->ClearVariables(), 0);  // withdraws the removed names too
  for (const char* name : {"a", "n", "s"}) EXPECT_EQ(m.manager->HasResolverFor(name), 1) << name;
  EXPECT_EQ(scope->ClearVariables(), 0);
  scope->Release();
}

TEST(MacroResolution, QueryMacroAsksTheExtendedInterface) {
  TestResolver ex({"Ext"});
  ex.extended = true;
  ex.query_answer = "q";
  TestResolver plain({"Plain"});
  {
    ManagerUnderTest m;
    m.manager->AddResolver(&ex);
    m.manager->AddResolver(&plain);
    Text out;
    EXPECT_EQ(m.copier->QueryMacro("Ext.a(1)", out), 0);
    EXPECT_EQ(out.text(), "q");
    EXPECT_EQ(m.copier->QueryAndMapMacro("Ext.a(1)", out), 0);
    EXPECT_EQ(out.text(), "mapped:q");
    EXPECT_EQ(ex.queried, (std::vector<std::string>{"Ext.a(1)", "Ext.a(1)"}));

    ex.query_answer.clear();  // an empty answer is not mapped
    EXPECT_EQ(m.copier->QueryAndMapMacro("Ext", out), 1);
    EXPECT_EQ(ex.mapped.size(), 1u);

    EXPECT_EQ(m.copier->QueryMacro("Plain", out), 1);
    EXPECT_EQ(m.copier->QueryMacro("Nobody", out), 1);
  }
  EXPECT_EQ(ex.count(), 0);
  EXPECT_EQ(plain.count(), 0);
}

TEST(MacroResolution, NestingIsBounded) {
  ManagerUnderTest m;
  // Every level resolves the same statement again, as a template that
  // refers to itself would.
  int deepest = 0;
  int depth = 0;
  TestResolver loop({"Loop"});
  loop.on_resolve = [&](ITplMacroCall* call) {
    ++depth;
    deepest = std::max(deepest, depth);
    ITplMacroCall* nested = nullptr;
    m.services->CreateMacroCall(&nested, nullptr);
    nested->SetText("Loop");
    const int32_t inner = m.services->ResolveMacroCall(nested);
    nested->Release();
    call->SetResult(inner == 0 ? "deeper" : "bottom");
    --depth;
    return 0;
  };
  m.manager->AddResolver(&loop);
  EXPECT_EQ(m.Resolve("Loop"), "deeper");
  EXPECT_EQ(deepest, 64);
  EXPECT_EQ(m.host.outputs, (std::vector<std::string>{Unresolved("Loop")}));

  // The bound is per evaluation chain: a second run goes just as deep.
  deepest = 0;
  EXPECT_EQ(m.Resolve("Loop"), "deeper");
  EXPECT_EQ(deepest, 64);
  m.manager->RemoveResolver(&loop);
}

TEST(MacroResolution, ReferencesComeBack) {
  FakeHost host;
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
