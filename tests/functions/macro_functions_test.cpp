// AssignString, MacroExist, ReplaceMacroExpr and ReplaceMacros through real
// templates, and the nesting bound that self-referring templates meet.
#include <gmock/gmock.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "inhouse/scratch_folder.h"
#include "template_session.h"

namespace quenloft::testing {
namespace {

using MacroFunctions = TemplateSession;

TEST_F(MacroFunctions, Table) {
  SetGlobal("yes$$", "yes");
  SetGlobal("then$$", "chosen");
  SetGlobal("known$$", "");
  SetGlobal("name", "World");
  SetGlobal("title$$", "Guide");
  SetSystemValue("System.RootFolderName", "C:\\root\\");
  const EvalCase cases[] = {
      {"AssignString('yes', 'first', 'second')", "first", {}},
      {"AssignString('no', 'first', 'second')", "second", {}},
      {"AssignString('no', 'first')", "", {}}, {"AssignString(yes$$, then$$, 'b')", "chosen", {}},
      // Parentheses do not nest, so calls inside arguments take one argument.
      {"AssignString(IsEmpty(''), Concat('xy'), 'z')", "xy", {}},
      // A condition nobody resolves counts as false, and is reported.
      {"AssignString(nosuch, 'a', 'b')", "b", {Unresolved("nosuch")}},
      Fails("AssignString('1')"),
      {"MacroExist(Concat, System)", "true", {}}, {"MacroExist(System.Anything)", "true", {}},
      {"MacroExist(known$$)", "true", {}},        {"MacroExist('Concat')", "false", {}},
      {"MacroExist(NoSuchName, Concat)", "false", {}},
      {"MacroExist(Concat, concat)", "false", {}},
      // Nothing is evaluated: the argument is only looked up.
      {"MacroExist(MoveFile('/nonexistent/x'))", "true", {}}, Fails("MacroExist()"),
      {"ReplaceMacros('Hello %name%!')", "Hello World!", {}},
      {"ReplaceMacros('%title$$% - %System.RootFolderName%')", "Guide - C:\\root\\", {}},
      {"ReplaceMacros('%Concat(\\'a\\',\\'b\\')%')", "ab", {}},
      {"ReplaceMacros('100%')", "100%", {}}, {"ReplaceMacros('%%')", "%%", {}},
      {"ReplaceMacros('')", "", {}},
      {"ReplaceMacros('[%nosuch%]')", "[]", {Unresolved("nosuch")}}, Fails("ReplaceMacros()"),
  };
  ExpectEvaluations(cases);
}

// Only the chosen branch runs: the other branch's side effects do not
// happen.
TEST_F(MacroFunctions, AssignStringEvaluatesOnlyTheChosenBranch) {
  const inhouse_test::ScratchFolder dir;
  inhouse_test::WriteFile(dir / "a.tmp", "x");
  inhouse_test::WriteFile(dir / "b.tmp", "x");
  const std::string move_a = "MoveFile('" + (dir / "a.tmp") + "')";
  const std::string move_b = "MoveFile('" + (dir / "b.tmp") + "')";

  EXPECT_EQ(Eval("AssignString('0', " + move_a + ", 'none')"), "none");
  EXPECT_EQ(inhouse_test::NamesIn(dir.path()), (std::vector<std::string>{"a.tmp", "b.tmp"}));
  EXPECT_EQ(Eval("AssignString('1', " + move_a + ", " + move_b + ")"), "");
  EXPECT_EQ(inhouse_test::NamesIn(dir.path()), std::vector<std::string>{"b.tmp"});
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});

  // A branch that fails when chosen gives the empty text, reported.
  EXPECT_EQ(Eval("AssignString('yes', " + move_a + ")"), "");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(move_a)});
}

TEST_F(MacroFunctions, ReplaceMacroExprWorksInsideAFileOnly) {
  const EvalCase cases[] = {  // the text of page.txt and what it becomes
      {"%%%ReplaceMacroExpr('Concat(\\'a\\', \\'b\\')')%%%", "ab", {}},
      {"%%%ReplaceMacroExpr('Output(\\'a\\'); Output(\\'b\\')')%%%", "ab", {}},
      {"%%%v$ = 'val'%%% %%%ReplaceMacroExpr('Output(v$)')%%%", " val", {}},
      // AssignString's branch is evaluated in the call's context too.
      {"%%%v$ = 'val'%%% %%%AssignString('1', v$)%%%", " val", {}},
      // A failing evaluation gives the text back; short texts never parse.
      {"%%%ReplaceMacroExpr('nosuch1')%%%", "nosuch1", {UnresolvedIn("nosuch1", "page.txt")}},
      {"%%%ReplaceMacroExpr('abc')%%%", "abc", {}},
      {"%%%ReplaceMacroExpr()%%%", "%%%ReplaceMacroExpr()%%%",
       {UnresolvedIn("ReplaceMacroExpr()", "page.txt")}},
  };
  for (const EvalCase& c : cases) {
    EXPECT_EQ(Patch(c.expression), c.value) << c.expression;
    EXPECT_EQ(TakeOutputs(), c.messages) << c.expression;
  }
  const EvalCase outside[] = {Fails("ReplaceMacroExpr('Concat(\\'a\\')')")};
  ExpectEvaluations(outside);
}

// Templates that evaluate themselves stop at the nesting bound: the patch
// ends normally and what hit the bound is reported like any unresolved
// statement of the file.
TEST_F(MacroFunctions, SelfReferenceStopsAtTheNestingBound) {
  SetGlobal("expr$$", "ReplaceMacroExpr(expr$$)");
  SetGlobal("cond$$", "AssignString('1', ReplaceMacroExpr(cond$$))");
  SetGlobal("percent$$", "%ReplaceMacros(percent$$)%");
  SetGlobal("mixed$$", "ReplaceMacros('%ReplaceMacroExpr(mixed$$)%')");
  namespace gt = ::testing;
  const auto reported = gt::AllOf(gt::StartsWith("Template Error: can not resolve macro: "),
                                  gt::EndsWith(" in page.txt\r\n"));
  for (const std::string text :
       {"%%%ReplaceMacroExpr(expr$$)%%%", "%%%ReplaceMacroExpr(cond$$)%%%",
        "%%%ReplaceMacros(percent$$)%%%", "%%%ReplaceMacroExpr(mixed$$)%%%"}) {
    Patch(text);
    EXPECT_THAT(TakeOutputs(),
                gt::AllOf(gt::Not(gt::IsEmpty()), gt::SizeIs(gt::Le(2u)), gt::Each(reported)))
        << text;
  }
}

TEST_F(MacroFunctions, DeeplyNestedArgumentsStopAtTheNestingBound) {
  const auto nested = [](int depth) {
    std::string text = "'1'";
    for (int i = 0; i < depth; ++i) text = "IsTrue(" + text + ")";
    return text;
  };
  EXPECT_EQ(Eval(nested(30)), "true");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
  // Far past the bound: the innermost statement that reaches it is
  // reported and the evaluation still ends normally.
  EXPECT_EQ(Eval(nested(500)), "false");
  EXPECT_EQ(TakeOutputs().size(), 1u);
}

}  // namespace
}  // namespace quenloft::testing
