// Resolution of statements through the manager's public interfaces:
// literals, names answered by registered resolvers, assignments into the
// three scopes, the messages for unresolved statements and the nesting
// bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

const char* const kNoFile = "Template Error: can not resolve macro: %s \r\n";
const char* const kInFile = "Template Error: can not resolve macro: %s in %s\r\n";

std::string Message(const char* format, const std::string& text, const std::string& file = "") {
  char buffer[512];
  snprintf(buffer, sizeof buffer, format, text.c_str(), file.c_str());
  return buffer;
}

// A resolver that answers its names with a fixed text.
TestResolver AnsweringResolver(std::vector<std::string> names, std::string value) {
  TestResolver resolver(std::move(names));
  resolver.on_resolve = [value](ITplMacroCall* call) {
    call->SetResult(value.c_str());
    return 0;
  };
  return resolver;
}

TEST(MacroResolution, LiteralsNeedNoResolver) {
  struct Case {
    const char* text;
    const char* value;
  };
  const Case cases[] = {
      {"'abc'", "abc"},       {"\"abc\"", "abc"},       {"'a\\%b'", "a%b"},
      {"'a\\'b'", "a'b"},     {"''", ""},               {"  'x y'  ", "x y"},
      {"'\"q\"'", "\"q\""},
  };
  ManagerUnderTest m;
  for (const Case& c : cases) EXPECT_EQ(m.Resolve(c.text), c.value) << c.text;
  EXPECT_TRUE(m.host.outputs.empty());
}

TEST(MacroResolution, NamesSelectOneResolverWithCase) {
  TestResolver lower = AnsweringResolver({"concat"}, "lower");
  {
    ManagerUnderTest m;
    ASSERT_EQ(m.manager->AddResolver(&lower), 0);
    EXPECT_EQ(m.Resolve("concat(a)"), "lower");
    EXPECT_EQ(m.manager->HasResolverFor("concat(a)"), 0);
    EXPECT_EQ(m.manager->HasResolverFor(" x = concat.m"), 0);

    // Concat differs in case: no resolver, reported, empty result.
    EXPECT_EQ(m.Resolve("Concat(a)"), "");
    EXPECT_EQ(m.manager->HasResolverFor("Concat(a)"), 1);
    ASSERT_EQ(m.host.outputs.size(), 1u);
    EXPECT_EQ(m.host.outputs[0], Message(kNoFile, "Concat(a)"));
    EXPECT_EQ(lower.resolve_calls, 1);  // HasResolverFor resolves nothing
  }
  EXPECT_EQ(lower.count(), 0);
}

TEST(MacroResolution, AnsweredWithoutResultGivesEmptyTextAndNoMessage) {
  TestResolver silent({"Quiet"});
  silent.on_resolve = [](ITplMacroCall*) { return 0; };
  ManagerUnderTest m;
  m.manager->AddResolver(&silent);
  Text out;
  out.get()->SetText("before");
  EXPECT_EQ(m.manager->ResolveMacroText("Quiet", out), 0);
  EXPECT_EQ(out.text(), "");
  EXPECT_TRUE(m.host.outputs.empty());
  // In an expression the statement's value is then its own text.
  EXPECT_EQ(m.Evaluate("Quiet.member"), "Quiet.member");
}

TEST(MacroResolution, RefusingOrThrowingResolverIsReported) {
  TestResolver refusing({"No"});
  refusing.on_resolve = [](ITplMacroCall*) { return 1; };
  TestResolver throwing({"Boom"});
  throwing.on_resolve = [](ITplMacroCall*) -> int32_t { throw std::runtime_error("boom"); };
  {
    ManagerUnderTest m;
    m.manager->AddResolver(&refusing);
    m.manager->AddResolver(&throwing);
    Text out;
    EXPECT_EQ(m.manager->ResolveMacroText("No", out), 0);
    EXPECT_EQ(m.manager->ResolveMacroText("Boom(1)", out), 0);
    EXPECT_EQ(m.host.outputs,
              (std::vector<std::string>{Message(kNoFile, "No"), Message(kNoFile, "Boom(1)")}));
  }
  EXPECT_EQ(refusing.count(), 0);
  EXPECT_EQ(throwing.count(), 0);
}

TEST(MacroResolution, EmptyNameIsNeitherResolvedNorReported) {
  ManagerUnderTest m;
  for (const char* text : {"x.y = Output(1)", "Output(x = 1)", "=", "  "}) {
    Text out;
    EXPECT_EQ(m.manager->ResolveMacroText(text, out), 0) << text;
  }
  EXPECT_TRUE(m.host.outputs.empty());
}

TEST(MacroResolution, MessageNamesTheContainersFile) {
  FakeHost other_owner;  // an owner that is no patched file
  ManagerUnderTest m;
  ITplPatchedFile* page = m.NewFile("C:\\out\\page.htm");
  EXPECT_EQ(m.Evaluate("Foo.Bar", page), "");  // failed: out untouched
  EXPECT_EQ(m.Evaluate("Foo.Bar", &other_owner), "");
  m.Resolve("Foo.Bar");
  EXPECT_EQ(m.host.outputs,
            (std::vector<std::string>{Message(kInFile, "Foo.Bar", "C:\\out\\page.htm"),
                                      Message(kNoFile, "Foo.Bar"), Message(kNoFile, "Foo.Bar")}));
  EXPECT_EQ(page->Release(), 0);
  EXPECT_EQ(other_owner.count(), 0);
}

enum class Lives { kWithExpression, kWithFile, kWithManager };

struct AssignmentCase {
  const char* statement;
  Lives lives;
};

// The first "$$" or "$" must be the ending; anything else stays local.
constexpr AssignmentCase kAssignments[] = {
    {"x$$ = 'v'", Lives::kWithManager},
    {"a$b$$ = 'v'", Lives::kWithManager},
    {"y$ = 'v'", Lives::kWithFile},
    {"z = 'v'", Lives::kWithExpression},
    {"a$$$ = 'v'", Lives::kWithExpression},
    {"a$$b$ = 'v'", Lives::kWithExpression},
    {"$ = 'v'", Lives::kWithExpression},
    {"$$ = 'v'", Lives::kWithExpression},
    {"a$b = 'v'", Lives::kWithExpression},
};

TEST(MacroResolution, AssignmentScopeFollowsTheEnding) {
  for (const AssignmentCase& c : kAssignments) {
    ManagerUnderTest m;
    ITplPatchedFile* page = m.NewFile("page.htm");
    const std::string statement = c.statement;
    const std::string name = statement.substr(0, statement.find(' '));
    // A later statement of the same expression sees the variable wherever
    // it lives; afterwards it lives as long as its scope's owner.
    EXPECT_EQ(m.Evaluate((statement + ";" + name).c_str(), page), "v") << c.statement;
    EXPECT_EQ(m.Resolve(name.c_str()) == "v", c.lives != Lives::kWithExpression) << c.statement;
    EXPECT_EQ(page->Release(), 0);
    EXPECT_EQ(m.Resolve(name.c_str()) == "v", c.lives == Lives::kWithManager) << c.statement;
  }
}

TEST(MacroResolution, AppendTrimsTheTarget) {
  ManagerUnderTest m;
  EXPECT_EQ(m.Evaluate("total$$ = 'a'; total$$+ = 'b'; total$$ \t+ = 'c'"), "");
  EXPECT_EQ(m.Resolve("total$$"), "abc");
  // Appending to a new name stores it.
  m.Evaluate("fresh$$+ = 'x'");
  EXPECT_EQ(m.Resolve("fresh$$"), "x");
}

TEST(MacroResolution, WithoutContextOnlyGlobalAssignmentsLand) {
  ManagerUnderTest m;
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

TEST(MacroResolution, GlobalScopeIsTheManagersVariables) {
  ManagerUnderTest m;
  ITplVariables* global = m.GlobalScope();
  ASSERT_NE(global, nullptr);
  global->SetVariable("title$$", "Help");
  global->SetVariable("Title$$", "Other");
  EXPECT_EQ(m.Resolve("title$$"), "Help");
  EXPECT_EQ(m.Evaluate("title$$"), "Help");
  EXPECT_EQ(m.Evaluate("Title$$"), "Other");
  global->Release();
}

TEST(MacroResolution, ResolveForUsesTheProvidersContext) {
  ManagerUnderTest m;
  // A resolver that resolves its argument text in its own call's context,
  // the way built-in functions evaluate text they are given.
  TestResolver eval({"Eval"});
  eval.on_resolve = [&](ITplMacroCall* call) {
    Text arg;
    call->GetArg(0, arg);
    Text out;
    m.manager->ResolveMacroTextFor(arg.text().c_str(), call, out);
    call->SetResult(out.text().c_str());
    return 0;
  };
  m.manager->AddResolver(&eval);
  // "v" lives in the expression's scope; Eval reaches it through its context.
  EXPECT_EQ(m.Evaluate("v = 'inner'; Eval(v)"), "inner");
  Text out;
  EXPECT_EQ(m.manager->ResolveMacroTextFor("'lit'", nullptr, out), 0);
  EXPECT_EQ(out.text(), "lit");
  m.manager->RemoveResolver(&eval);
  EXPECT_EQ(eval.count(), 0);
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
  EXPECT_EQ(m.host.outputs, (std::vector<std::string>{Message(kNoFile, "Loop")}));

  // The bound is per evaluation chain: a second run goes just as deep.
  deepest = 0;
  EXPECT_EQ(m.Resolve("Loop"), "deeper");
  EXPECT_EQ(deepest, 64);
  m.manager->RemoveResolver(&loop);
}

TEST(MacroResolution, SelfReferencingTemplateFailsInsteadOfCrashing) {
  ManagerUnderTest m;
  ITplResolverSet* functions = nullptr;
  ASSERT_EQ(CreateTemplateResolversInstance(&functions), 0);
  functions->SetManager(m.manager);
  functions->Initialize();
  // The variable's value evaluates the variable again, without end.
  ITplVariables* global = m.GlobalScope();
  global->SetVariable("loop$$", "ReplaceMacroExpr(loop$$)");
  global->Release();
  ITplPatchedFile* page = m.NewFile("loop.htm");
  m.Evaluate("ReplaceMacroExpr(loop$$)", page);
  ASSERT_FALSE(m.host.outputs.empty());
  EXPECT_EQ(m.host.outputs.front(), Message(kInFile, "loop$$", "loop.htm"));
  EXPECT_EQ(page->Release(), 0);
  functions->Uninitialize();
  EXPECT_EQ(functions->Release(), 0);
}

TEST(MacroResolution, ReferencesComeBack) {
  FakeHost host;
  TestResolver resolver = AnsweringResolver({"A", "B"}, "r");
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
