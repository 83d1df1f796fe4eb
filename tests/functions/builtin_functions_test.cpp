// The built-in functions and the System values as a host reaches them: one
// table of statements, each with its value and the messages it leaves.
#include <cstdio>
#include <string>

#include "template_session.h"

namespace quenloft::testing {
namespace {

// A table of contents made a list; the transformation itself is tested in
// xslt_test.
constexpr char kToc[] = "<toc><topic>Intro</topic><topic>Use &amp; more</topic></toc>";
constexpr char kTocToList[] =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"text\"/><xsl:template match=\"topic\">- <xsl:value-of select=\".\"/>"
    "</xsl:template></xsl:stylesheet>";

using BuiltinFunctions = TemplateSession;

TEST_F(BuiltinFunctions, Table) {
  for (const auto& [name, value] : {std::pair{"two$$", "2"}, {"ten$$", "10"}, {"blank$$", ""},
                                    {"who$$", "world"}, {"yes$$", "yes"}, {"then$$", "chosen"},
                                    {"name", "World"}, {"plain$$", "a < b & \"c\""},
                                    {"markup$$", "<p>Fish &amp; chips</p>"}, {"toc$$", kToc},
                                    {"list$$", kTocToList}}) {
    SetGlobal(name, value);
  }
  Set("System.SourceFolderName", "C:\\src\\");
  Set("System.ResultFolderName", "C:\\out\\");
  Set("System.RootFolderName", "C:\\root\\");
  Set("System.Empty", "");
  const EvalCase cases[] = {
      // Arguments: literals, variables, statements; an unresolved one keeps
      // its text and is reported.
      {"Concat()", "", {}}, {"Concat('ab', Concat('cd'))", "abcd", {}}, {"Concat(, 'a')", "a", {}},
      {"Concat('hello ', who$$)", "hello world", {}}, {"Concat('a\\'b', \"c,d\")", "a'bc,d", {}},
      {"Concat.x('a')", "a", {}}, {"Output('x', 'y')", "xy", {}},
      {"IsEmpty(nosuch)", "false", {Unresolved("nosuch")}},
      {"x = IsTrue('yes'); Output(x)", "true", {}},
      {"CompareNumber(==, 1, 2)", std::nullopt, {}},  // "=" unquoted: an assignment, no name
      {"Replace('aaaa', 'aa', 'a')", "aa", {}},       // left to right, not overlapping
      {"Replace('a.b', '.', '..')", "a..b", {}},      // a replacement is not searched again
      {"Replace('abc', '', 'x')", "abc", {}}, {"Replace('abc', 'a', 'b', 'b', 'c')", "ccc", {}},
      {"Replace('Hello', 'hello', 'x')", "Hello", {}}, {"HtmlToText(markup$$)", "Fish & chips", {}},
      {"TextToHtml(plain$$)", "a &lt; b &amp; &quot;c&quot;", {}},
      {"CompareNumber('<', two$$, ten$$)", "true", {}},
      {"CompareString('<', two$$, ten$$)", "false", {}},
      {"CompareNumber('==', ' 12abc', '12')", "true", {}},
      {"CompareString('compnocase', 'ABC', 'abc')", "true", {}}, {"IsTrue(' Yes ')", "true", {}},
      {"IsTrue('on')", "false", {}}, {"IsEmpty(' ')", "false", {}},
      {"IsEmpty(blank$$)", "true", {}},
      {"NameToColor('Blue')", "#0000ff", {}}, {"NameToColor('nosuchcolour')", "#000000", {}},
      {"NameToColor('')", "", {}},
      // Only the chosen branch is evaluated; a condition nobody resolves is
      // false, and reported.
      {"AssignString('yes', 'first', 'second')", "first", {}},
      {"AssignString('no', 'first')", "", {}}, {"AssignString(yes$$, then$$, 'b')", "chosen", {}},
      {"AssignString(IsEmpty(''), Concat('xy'), 'z')", "xy", {}},
      {"AssignString(nosuch, 'a', 'b')", "b", {Unresolved("nosuch")}},
      {"AssignString('no', nosuch, 'b')", "b", {}},
      // MacroExist looks names up and evaluates nothing; quotes stay.
      {"MacroExist(Concat, System)", "true", {}}, {"MacroExist(System.Anything)", "true", {}},
      {"MacroExist(blank$$)", "true", {}}, {"MacroExist('Concat')", "false", {}},
      {"MacroExist(NoSuchName, Concat)", "false", {}}, {"MacroExist(Concat, concat)", "false", {}},
      {"MacroExist(MoveFile('/nonexistent/x'))", "true", {}},
      {"ReplaceMacros('Hello %name%!')", "Hello World!", {}},
      {"ReplaceMacros('%who$$% - %System.RootFolderName%')", "world - C:\\root\\", {}},
      {"ReplaceMacros('%Concat(\\'a\\',\\'b\\')%')", "ab", {}}, {"ReplaceMacros('%%')", "%%", {}},
      {"ReplaceMacros('100%')", "100%", {}},
      {"ReplaceMacros('[%nosuch%]')", "[]", {Unresolved("nosuch")}},
      // Outside a file the kinds other than the System folders have none; a
      // full path ignores the kind.
      {"FileName('a/b.htm', 'source')", "C:\\src\\a\\b.htm", {}},
      {"FileName('a/b.htm', 'Result')", "C:\\out\\a\\b.htm", {}},
      {"FileName('b.htm', 'ROOT')", "C:\\root\\b.htm", {}},
      {"FileName('C:/x/y.htm', 'source')", "C:\\x\\y.htm", {}},
      {"FileName('/srv/a.htm', 'result')", "\\srv\\a.htm", {}},
      {"FileName('x/y', 'hostitself')", "x\\y", {}}, {"FileName('x', 'nosuchkind')", "x", {}},
      {"Transform(toc$$, list$$)", "- Intro- Use & more", {}},
      {"Transform('<toc>', list$$)", "", {}},  // any failure gives the empty text, quietly
      {"System . ResultFolderName", "C:\\out\\", {}}, {"System.Empty", "", {}},
      {"System.ResultFolderName('x')", "C:\\out\\", {}},
      {"Concat(System.ResultFolderName, 'x')", "C:\\out\\x", {}},
      // An unknown key resolves without a result: the statement stands for
      // itself, and nothing is reported.
      {"System.resultfoldername", "System.resultfoldername", {}}, {"System", "System", {}},
      // Names are exact; counts outside a row's do not resolve; ColorToName
      // does not even evaluate its arguments.
      Fails("concat('ab')"), Fails("IsEmpty()"), Fails("IsTrue('a', 'b')"),
      Fails("CompareNumber('<', '1')"), Fails("CompareString('<', '1', '2', '3')"),
      Fails("Replace('abc', 'b')"), Fails("Replace('abc', 'a', 'b', 'c')"), Fails("TextToHtml()"),
      Fails("NameToColor('red', 'blue')"), Fails("AssignString('1')"), Fails("MacroExist()"),
      Fails("ReplaceMacros()"), Fails("FileName()"), Fails("FileName('a', 'source', 'b')"),
      Fails("Transform('<a/>')"), Fails("ColorToName('#ff0000')"), Fails("ColorToName(nosuch)"),
  };
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
  ExpectEvaluations(cases);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  Set("System", "bare");  // the bare System name is a key too
  EXPECT_EQ(Eval("System"), "bare");
}


// Inside a patched file, which the folder kinds and ReplaceMacroExpr refer
// to, and whose scope AssignString's branches see.
TEST_F(BuiltinFunctions, InsideAFile) {
  const std::string file = "C:/site/help/page.txt";
  const EvalCase cases[] = {  // the text of the file and what it becomes
      {"%%%FileName('x', 'HostItself')%%%", "C:\\site\\help\\page.txt", {}},
      {"%%%FileName('img/x.gif')%%%", "C:\\site\\help\\img\\x.gif", {}},
      {"%%%FileName('D:\\y.gif', 'hostitself')%%%", "D:\\y.gif", {}},
      {"%%%ReplaceMacroExpr('Concat(\\'a\\', \\'b\\')')%%%", "ab", {}},
      {"%%%ReplaceMacroExpr('Output(\\'a\\'); Output(\\'b\\')')%%%", "ab", {}},
      {"%%%v$ = 'val'%%% %%%ReplaceMacroExpr('Output(v$)')%%%", " val", {}},
      {"%%%v$ = 'val'%%% %%%AssignString('1', v$)%%%", " val", {}},
      // A failing evaluation gives the text back; short texts never parse.
      {"%%%ReplaceMacroExpr('nosuch1')%%%", "nosuch1", {UnresolvedIn("nosuch1", file)}},
      {"%%%ReplaceMacroExpr('abc')%%%", "abc", {}},
      {"%%%ReplaceMacroExpr()%%%", "%%%ReplaceMacroExpr()%%%",
       {UnresolvedIn("ReplaceMacroExpr()", file)}},
  };
  for (const EvalCase& c : cases) {
    EXPECT_EQ(Patch(c.expression, file), c.value) << c.expression;
    EXPECT_EQ(TakeOutputs(), c.messages) << c.expression;
  }
  const EvalCase outside[] = {Fails("ReplaceMacroExpr('Concat(\\'a\\')')")};
  ExpectEvaluations(outside);
}

// Templates that evaluate themselves, and arguments nested too deeply,
// stop at the nesting bound: the evaluation ends normally and what hit the
// bound is reported like any unresolved statement.
TEST_F(BuiltinFunctions, NestingStopsAtTheBound) {
  SetGlobal("expr$$", "ReplaceMacroExpr(expr$$)");
  SetGlobal("cond$$", "AssignString('1', ReplaceMacroExpr(cond$$))");
  SetGlobal("percent$$", "%ReplaceMacros(percent$$)%");
  SetGlobal("mixed$$", "ReplaceMacros('%ReplaceMacroExpr(mixed$$)%')");
  for (const char* text : {"%%%ReplaceMacroExpr(expr$$)%%%", "%%%ReplaceMacroExpr(cond$$)%%%",
                           "%%%ReplaceMacros(percent$$)%%%", "%%%ReplaceMacroExpr(mixed$$)%%%"}) {
    Patch(text);
    const std::vector<std::string> outputs = TakeOutputs();
    EXPECT_TRUE(!outputs.empty() && outputs.size() <= 2) << text;
    for (const std::string& output : outputs) {
      EXPECT_EQ(output.rfind("Template Error: can not resolve macro: ", 0), 0u) << output;
      EXPECT_TRUE(output.ends_with(" in page.txt\r\n")) << output;
    }
  }
  const auto nested = [](int depth) {
    std::string text = "'1'";
    for (int i = 0; i < depth; ++i) text = "IsTrue(" + text + ")";
    return text;
  };
  EXPECT_EQ(Eval(nested(30)), "true");
  EXPECT_EQ(TakeOutputs().size(), 0u);
  EXPECT_EQ(Eval(nested(500)), "false");  // the innermost call past the bound fails
  EXPECT_EQ(TakeOutputs().size(), 1u);
}

}  // namespace
}  // namespace quenloft::testing
