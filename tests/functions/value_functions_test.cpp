// The functions that compute a value from their arguments, and the System
// values, through real templates. The operators and truth texts themselves
// are tabled in function_rules_test.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "template_session.h"

namespace quenloft::testing {
namespace {

using ValueFunctions = TemplateSession;

TEST_F(ValueFunctions, Table) {
  SetGlobal("two$$", "2");
  SetGlobal("ten$$", "10");
  SetGlobal("blank$$", "");
  SetGlobal("who$$", "world");
  SetGlobal("markup$$", "<p class=\"x\">Fish &amp; chips &lt;3 &#65;&#x42;&#x43; &eacute;t&eacute;</p>");
  SetGlobal("plain$$", "a < b & \"c\" > d");
  SetSystemValue("System.ResultFolderName", "C:\\out\\");
  SetSystemValue("System.Empty", "");
  const EvalCase cases[] = {
      {"CompareNumber('<', two$$, ten$$)", "true", {}},
      {"CompareString('<', two$$, ten$$)", "false", {}},
      {"CompareNumber('==', ' 12abc', '12')", "true", {}},
      {"CompareString('compnocase', 'ABC', 'abc')", "true", {}},
      {"IsTrue(' Yes ')", "true", {}}, {"IsTrue('on')", "false", {}},
      {"IsEmpty(' ')", "false", {}},   {"IsEmpty(blank$$)", "true", {}},
      // An argument nobody resolves keeps its text and is reported.
      {"IsEmpty(nosuch)", "false", {Unresolved("nosuch")}},
      {"x = IsTrue('yes'); Output(x)", "true", {}},
      // An unquoted operator with "=" is read as an assignment.
      {"CompareNumber(==, 1, 2)", std::nullopt, {}},
      {"Concat()", "", {}}, {"Concat('ab', Concat('cd'))", "abcd", {}},
      {"Concat(, 'a')", "a", {}},  // an empty argument is the empty text
      {"Concat('hello ', who$$)", "hello world", {}},
      {"Concat('a\\'b', \"c,d\")", "a'bc,d", {}}, {"Concat.x('a')", "a", {}},
      {"Output('x', 'y')", "xy", {}},
      {"Replace('aaaa', 'aa', 'a')", "aa", {}},   // left to right, not overlapping
      {"Replace('a.b', '.', '..')", "a..b", {}},  // a replacement is not searched again
      {"Replace('abc', '', 'x')", "abc", {}}, {"Replace('abc', 'a', 'b', 'b', 'c')", "ccc", {}},
      {"Replace('Hello', 'hello', 'x')", "Hello", {}}, {"Replace(who$$, 'o', '0')", "w0rld", {}},
      {"TextToHtml(plain$$)", "a &lt; b &amp; &quot;c&quot; &gt; d", {}},
      {"HtmlToText(markup$$)", "Fish & chips <3 ABC \xC3\xA9t\xC3\xA9", {}},
      {"NameToColor('Blue')", "#0000ff", {}}, {"NameToColor('cornflowerblue')", "#6495ed", {}},
      {"NameToColor('#0A0b0C')", "#0a0b0c", {}}, {"NameToColor('#abc')", "#aabbcc", {}},
      {"NameToColor('nosuchcolour')", "#000000", {}}, {"NameToColor('')", "", {}},
      {"System . ResultFolderName", "C:\\out\\", {}}, {"System.Empty", "", {}},
      // Keys are exact: an unknown key resolves without a result, so the
      // statement stands for itself, and nothing is reported.
      {"System.resultfoldername", "System.resultfoldername", {}}, {"System", "System", {}},
      {"System.ResultFolderName('x')", "C:\\out\\", {}},
      {"Concat(System.ResultFolderName, 'x')", "C:\\out\\x", {}},
      // Names are exact; wrong argument counts do not resolve.
      Fails("concat('ab', 'cd')"), Fails("IsEmpty()"), Fails("IsTrue('a', 'b')"),
      Fails("CompareNumber('<', '1')"), Fails("CompareString('<', '1', '2', '3')"),
      Fails("Replace('abc', 'b')"), Fails("Replace('abc', 'a', 'b', 'c')"),
      Fails("TextToHtml()"), Fails("HtmlToText('a', 'b')"), Fails("NameToColor('red', 'blue')"),
      Fails("ColorToName('#ff0000')"),
  };
  ExpectEvaluations(cases);
  SetSystemValue("System", "bare");  // the bare System name is a key too
  EXPECT_EQ(Eval("System"), "bare");
}

// Transform: a table of contents becomes HTML, and a failure gives the
// empty text without a word on stderr (what is refused is tabled in
// xslt_test).
constexpr char kToc[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<toc title=\"Help\"><topic href=\"intro.htm\">Introduction</topic>"
    "<topic href=\"use.htm\">Using &amp; more</topic></toc>";

constexpr char kTocToHtml[] =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"html\"/>"
    "<xsl:template match=\"/toc\"><ul title=\"{@title}\"><xsl:apply-templates/></ul></xsl:template>"
    "<xsl:template match=\"topic\"><li><a href=\"{@href}\"><xsl:value-of select=\".\"/></a></li>"
    "</xsl:template></xsl:stylesheet>";

using TransformFunction = TemplateSession;

TEST_F(TransformFunction, TableOfContentsBecomesHtml) {
  SetGlobal("toc$$", kToc);
  SetGlobal("xsl$$", kTocToHtml);
  EXPECT_EQ(Eval("Transform(toc$$, xsl$$)"),
            "<ul title=\"Help\">\n<li><a href=\"intro.htm\">Introduction</a></li>\n"
            "<li><a href=\"use.htm\">Using &amp; more</a></li>\n</ul>\n");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(TransformFunction, FailuresGiveTheEmptyTextQuietly) {
  SetGlobal("toc$$", kToc);
  SetGlobal("badxml$$", "<toc><topic></toc>");
  SetGlobal("passwd$$",
            "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
            "<xsl:template match=\"/\"><xsl:copy-of select=\"document('/etc/passwd')\"/>"
            "</xsl:template></xsl:stylesheet>");
  SetGlobal("html$$", kTocToHtml);
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
  const EvalCase cases[] = {
      {"Transform(badxml$$, html$$)", "", {}}, {"Transform(toc$$, passwd$$)", "", {}},
      {"Transform('', '')", "", {}},           Fails("Transform('<a/>')"),
  };
  ExpectEvaluations(cases);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace quenloft::testing
