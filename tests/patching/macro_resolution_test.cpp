// Statements, expressions and templates resolved through a manager's public
// interfaces, into string objects of the host's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "patching/language_fakes.h"

namespace quenloft_test {
namespace {

// One manager runs the rows in order, so a row may read what one before it
// assigned. "expr" rows evaluate an expression, "stmt" rows resolve one
// statement, and rows with a file name patch a text as that file.
TEST(MacroResolution, TemplatesAsTabled) {
  TestResolver quiet({"Quiet"}), refusing({"No"}), throwing({"Boom"});
  quiet.on_resolve = [](ITplMacroCall*) { return 0; };
  throwing.on_resolve = [](ITplMacroCall*) -> int32_t { throw std::runtime_error("boom"); };
  const auto u = [](auto... statements) { return (Unresolved(statements) + ...); };
  const struct {
    const char* where;
    const char* text;
    const char* value;
    std::string messages;
  } cases[] = {
      // ";" splits outside quotes; an escape pair is stepped over whole and
      // then removed outside quotes; every statement is trimmed. A statement
      // nobody answers is reported, the others still run, and the failed
      // expression leaves the host's string alone.
      {"expr", "'a';'b'", "ab", ""},
      {"expr", "x\\'y;z", kUntouched, u("x'y", "z")},
      {"expr", "a\\;b;c", kUntouched, u("a\\", "b", "c")},  // "\;" is no pair
      {"expr", "  a ;\t b ;; c  ", kUntouched, u("a", "b", "c")},
      {"expr", "50\\% ; a\\\\b", kUntouched, u("50%", "a\\b")},
      {"expr", "\\q \\\\\\%; \\", kUntouched, u("\\q \\%", "\\")},  // q is not escapable
      {"expr", "'a\\'b;c'", "a'b;c", ""},  // an escaped quote keeps the quote open
      {"expr", "\"a';\";'b'", "a';b", ""},
      {"expr", "'open; never closed", "'open; never closed", ""},
      // Five bytes as given, before trimming, or the text is not parsed.
      {"expr", "abcd", kUntouched, ""},
      {"expr", "   a ", kUntouched, u("a")},
      {"expr", "  ;  ; ", "", ""},
      // Literals need no resolver; a statement without a name is neither
      // resolved nor reported.
      {"stmt", "\"abc\"", "abc", ""},
      {"stmt", "  'x y'  ", "x y", ""},
      {"stmt", "'\"q\"'", "\"q\"", ""},
      {"stmt", "Output(x = 1)", "", ""},
      {"stmt", "x.y = 'v'", "", ""},
      {"stmt", "=", "", ""},
      // Resolvers by name, with case: one answers without a result (in an
      // expression the statement's own text), one refuses, one throws.
      {"stmt", "Quiet", "", ""},
      {"expr", "Quiet.member", "Quiet.member", ""},
      {"stmt", "quiet", "", u("quiet")},
      {"stmt", "No", "", u("No")},
      {"stmt", "Boom(1)", "", u("Boom(1)")},
      // An assignment yields nothing; its variable lives as long as the
      // scope its name's ending chooses: no ending, the expression's.
      {"expr", "t = 'Hello'", "", ""},
      {"expr", "t = 'v'; t", "v", ""},
      {"expr", "t ;  ", kUntouched, u("t")},
      {"expr", "Nobody; seen$$ = 'yes'", kUntouched, u("Nobody")},
      {"expr", "'<'; seen$$; '>'", "<yes>", ""},
      // "+" before "=" appends; the target is trimmed before the "+".
      {"expr", "total$$ = 'a'; total$$+ = 'b'; total$$ \t+ = 'c'; fresh$$+ = 'x'", "", ""},
      {"expr", "total$$; fresh$$", "abcx", ""},
      // Outside an expression only globals land; the result comes back.
      {"stmt", "local = 'v'", "v", ""},
      {"stmt", "file$ = 'v'", "v", ""},
      {"stmt", "kept$$ = 'v'", "v", ""},
      {"stmt", "local", "", u("local")},
      {"stmt", "file$", "", u("file$")},
      {"stmt", "kept$$", "v", ""},
      // Files: the markers of their type and "%%%" everywhere. A marker too
      // short to evaluate, or one that fails, stays as written.
      {"page.htm", "<h1><!--%title$$%--></h1>", "<h1>Quenloft</h1>", ""},
      {"page.txt", "<h1><!--%title$$%--></h1>%%%title$$%%%", "<h1><!--%title$$%--></h1>Quenloft",
       ""},
      {"style.css", "/*%'a;b'%*/ /*%'x';'y'%*/", "a;b xy", ""},
      {"setup.ini", "name=;%title$$%;\n", "name=Quenloft\n", ""},
      {"page.txt", "%%%abc%%%", "%%%abc%%%", ""},
      {"page.htm", "<!--%a %%%title$$%%%", "<!--%a Quenloft", ""},
      {"C:\\out\\page.htm", "a<!--%Nothing.Here%-->b", "a<!--%Nothing.Here%-->b",
       UnresolvedIn("Nothing.Here", "C:\\out\\page.htm")},
      {"page.htm", "<!--%f$ = 'v'%-->[<!--% f$  %-->]<!--%t$='Hello'%--><!--%t$%-->",
       "[v]<!--%t$%-->", ""},
      {"page.htm", "<!--%n='one';n%-->|<!--%n='two'%-->", "one|", ""},
      // The first "$$" or "$" must be the ending: a$b$$ is global, y$ the
      // file's, and the others the expression's.
      {"a.htm", "<!--%a$b$$ = 'g'; y$ = 'f'; a$$$ = 'e'; a$$b$ = 'e'; $$ = 'e'; a$$$%-->"
                "[<!--%  y$  %-->]<!--%a$$$;%-->",
       "e[f]<!--%a$$$;%-->", UnresolvedIn("a$$$", "a.htm")},
      {"b.htm", "<!--%'['; a$b$$; ']'%--><!--%y$;a$$$%-->", "[g]<!--%y$;a$$$%-->",
       UnresolvedIn("y$", "b.htm") + UnresolvedIn("a$$$", "b.htm")},
      {"expr", "a$$b$; $$ ;", kUntouched, u("a$$b$", "$$")},
  };
  {
    ManagerUnderTest m;
    for (TestResolver* r : {&quiet, &refusing, &throwing}) m.manager->AddResolver(r);
    m.SetGlobal("title$$", "Quenloft");
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.where) + ": " + c.text);
      m.host.Forget();
      const std::string where = c.where;
      EXPECT_EQ(where == "expr"   ? m.Evaluate(c.text)
                : where == "stmt" ? m.Resolve(c.text)
                                  : m.Patch(c.where, c.text),
                c.value);
      EXPECT_EQ(m.host.AllOutput(), c.messages);
    }
    // A statement's name picks its resolver, which is not asked.
    const int resolved = quiet.resolve_calls;
    EXPECT_EQ(Codes({m.manager->HasResolverFor(" x = Quiet.m(1)"),
                     m.manager->HasResolverFor("quiet")}),
              "0,1");
    EXPECT_EQ(quiet.resolve_calls, resolved);
  }
  EXPECT_EQ(quiet.count() + refusing.count() + throwing.count(), 0);
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

// QueryMacro asks the extended interface of the statement's resolver;
// QueryAndMapMacro maps a non-empty answer with it.
TEST(MacroResolution, QueryMacroAsksTheExtendedInterface) {
  TestResolver ex({"Ext"}), plain({"Plain"});
  ex.extended = true;
  {
    ManagerUnderTest m;
    m.manager->AddResolver(&ex);
    m.manager->AddResolver(&plain);
    std::string results;
    for (const char* answer : {"q", ""}) {
      ex.query_answer = answer;
      for (const char* text : {"Ext.a(1)", "Plain", "Nobody"}) {
        HostString queried(kUntouched), mapped(kUntouched);
        results += Codes({m.copier->QueryMacro(text, &queried),
                          m.copier->QueryAndMapMacro(text, &mapped)}) +
                   ":" + queried.text() + ":" + mapped.text() + " ";
      }
    }
    EXPECT_EQ(results, "0,0:q:mapped:q 1,1:-:- 1,1:-:- 0,1::- 1,1:-:- 1,1:-:- ");
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

}  // namespace
}  // namespace quenloft_test
