// Concat, Output, Replace, TextToHtml and HtmlToText through real templates.
#include <optional>
#include <string>
#include <vector>

#include "template_session.h"

namespace quenloft::testing {
namespace {

using TextFunctions = TemplateSession;

TEST_F(TextFunctions, Table) {
  SetGlobal("who$$", "world");
  SetGlobal("markup$$", "<p class=\"x\">Fish &amp; chips &lt;3 &#65;&#x42;&#x43; &eacute;t&eacute;</p>");
  SetGlobal("plain$$", "a < b & \"c\" > d");
  const EvalCase cases[] = {
      {"Concat()", "", {}},
      {"Concat('ab', 'cd', 'ef')", "abcdef", {}},
      {"Concat('ab', Concat('cd'))", "abcd", {}},
      {"Concat('hello ', who$$)", "hello world", {}},
      {"Concat('a\\'b', \"c,d\")", "a'bc,d", {}},
      {"Concat.x('a')", "a", {}},
      {"Output()", "", {}},
      {"Output('x', 'y')", "xy", {}},
      {"Output('a'); Output('b')", "ab", {}},
      {"Replace('aaa', 'a', 'b')", "bbb", {}},
      {"Replace('abc', '', 'x')", "abc", {}},
      {"Replace('abc', 'a', 'b', 'b', 'c')", "ccc", {}},
      {"Replace('a-b_c', '-', '+', '_', '=')", "a+b=c", {}},
      {"Replace('Hello', 'hello', 'x')", "Hello", {}},
      {"Replace(who$$, 'o', '0')", "w0rld", {}},
      {"TextToHtml(plain$$)", "a &lt; b &amp; &quot;c&quot; &gt; d", {}},
      {"TextToHtml('')", "", {}},
      {"HtmlToText(markup$$)", "Fish & chips <3 ABC \xC3\xA9t\xC3\xA9", {}},
      {"HtmlToText('plain')", "plain", {}},
      // Names are exact; wrong counts do not resolve.
      {"concat('ab', 'cd')", std::nullopt, {Unresolved("concat('ab', 'cd')")}},
      {"Replace('abc', 'b')", std::nullopt, {Unresolved("Replace('abc', 'b')")}},
      {"Replace('abc')", std::nullopt, {Unresolved("Replace('abc')")}},
      {"TextToHtml()", std::nullopt, {Unresolved("TextToHtml()")}},
      {"HtmlToText('a', 'b')", std::nullopt, {Unresolved("HtmlToText('a', 'b')")}},
  };
  ExpectEvaluations(cases);
}

// An unresolved statement inside a file names the file.
TEST_F(TextFunctions, UnresolvedInsideAFile) {
  EXPECT_EQ(Patch("<%%%Replace('x')%%%>", "page.txt"), "<%%%Replace('x')%%%>");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{UnresolvedIn("Replace('x')", "page.txt")});
}

}  // namespace
}  // namespace quenloft::testing
