// AssignString, MacroExist, ReplaceMacroExpr and ReplaceMacros through real
// templates, and the nesting bound that self-referring templates meet.
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
      {"AssignString('no', 'first')", "", {}},
      {"AssignString(yes$$, then$$, 'b')", "chosen", {}},
      // Parentheses do not nest, so calls inside arguments take one argument.
      {"AssignString(IsEmpty(''), Concat('xy'), 'z')", "xy", {}},
      // A condition nobody resolves counts as false, and is reported.
      {"AssignString(nosuch, 'a', 'b')", "b", {Unresolved("nosuch")}},
      {"AssignString('1')", std::nullopt, {Unresolved("AssignString('1')")}},
      {"MacroExist(Concat, System)", "true", {}},
      {"MacroExist(System.Anything)", "true", {}},
      {"MacroExist(known$$)", "true", {}},
      {"MacroExist('Concat')", "false", {}},
      {"MacroExist(NoSuchName, Concat)", "false", {}},
      {"MacroExist(Concat, concat)", "false", {}},
      // Nothing is evaluated: the argument is only looked up.
      {"MacroExist(MoveFile('/nonexistent/x'))", "true", {}},
      {"MacroExist()", std::nullopt, {Unresolved("MacroExist()")}},
      {"ReplaceMacros('Hello %name%!')", "Hello World!", {}},
      {"ReplaceMacros('%title$$% - %System.RootFolderName%')", "Guide - C:\\root\\", {}},
      {"ReplaceMacros('%Concat(\\'a\\',\\'b\\')%')", "ab", {}},
      {"ReplaceMacros('100%')", "100%", {}},
      {"ReplaceMacros('%%')", "%%", {}},
      {"ReplaceMacros('')", "", {}},
      {"ReplaceMacros('[%nosuch%]')", "[]", {Unresolved("nosuch")}},
      {"ReplaceMacros()", std::nullopt, {Unresolved("ReplaceMacros()")}},
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
  EXPECT_TRUE(std::filesystem::exists(dir / "a.tmp"));
  EXPECT_EQ(Eval("AssignString('1', " + move_a + ", " + move_b + ")"), "");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.tmp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "b.tmp"));
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});

  // A branch that fails when chosen gives the empty text, reported.
  EXPECT_EQ(Eval("AssignString('yes', " + move_a + ")"), "");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(move_a)});
}

TEST_F(MacroFunctions, ReplaceMacroExprWorksInsideAFileOnly) {
  struct FileCase {
    std::string text;
    std::string output;
    std::vector<std::string> messages;
  };
  const FileCase cases[] = {
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
  for (const FileCase& c : cases) {
    EXPECT_EQ(Patch(c.text), c.output) << c.text;
    EXPECT_EQ(TakeOutputs(), c.messages) << c.text;
  }
  // Outside a file it does not resolve.
  const std::string statement = "ReplaceMacroExpr('Concat(\\'a\\')')";
  EXPECT_EQ(Eval(statement), std::nullopt);
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(statement)});
}

// Templates that evaluate themselves stop at the nesting bound: the patch
// ends normally and what hit the bound is reported like any unresolved
// statement of the file.
TEST_F(MacroFunctions, SelfReferenceStopsAtTheNestingBound) {
  SetGlobal("expr$$", "ReplaceMacroExpr(expr$$)");
  SetGlobal("cond$$", "AssignString('1', ReplaceMacroExpr(cond$$))");
  SetGlobal("percent$$", "%ReplaceMacros(percent$$)%");
  SetGlobal("mixed$$", "ReplaceMacros('%ReplaceMacroExpr(mixed$$)%')");
  const std::string prefix = "Template Error: can not resolve macro: ";
  const std::string suffix = " in page.txt\r\n";
  for (const std::string text :
       {"%%%ReplaceMacroExpr(expr$$)%%%", "%%%ReplaceMacroExpr(cond$$)%%%",
        "%%%ReplaceMacros(percent$$)%%%", "%%%ReplaceMacroExpr(mixed$$)%%%"}) {
    Patch(text);
    const std::vector<std::string> messages = TakeOutputs();
    EXPECT_FALSE(messages.empty()) << text;
    EXPECT_LE(messages.size(), 2u) << text;
    for (const std::string& message : messages) {
      EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
      EXPECT_TRUE(message.size() > suffix.size() &&
                  message.compare(message.size() - suffix.size(), suffix.size(), suffix) == 0)
          << message;
    }
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
