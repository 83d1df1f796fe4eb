// Transform through real templates: a table of contents becomes HTML, and
// every failure gives the empty text without a word on stderr.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "template_session.h"

namespace quenloft::testing {
namespace {

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

std::string TextSheet(const std::string& body) {
  return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
         "<xsl:output method=\"text\"/><xsl:template match=\"/\">" +
         body + "</xsl:template></xsl:stylesheet>";
}

using TransformFunction = TemplateSession;

TEST_F(TransformFunction, TableOfContentsBecomesHtml) {
  SetGlobal("toc$$", kToc);
  SetGlobal("xsl$$", kTocToHtml);
  EXPECT_EQ(Eval("Transform(toc$$, xsl$$)"),
            "<ul title=\"Help\">\n<li><a href=\"intro.htm\">Introduction</a></li>\n"
            "<li><a href=\"use.htm\">Using &amp; more</a></li>\n</ul>\n");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(TransformFunction, ResultCanBeAssigned) {
  SetGlobal("toc$$", kToc);
  SetGlobal("xsl$$", TextSheet("<xsl:value-of select=\"count(//topic)\"/>").c_str());
  EXPECT_EQ(Patch("%%%n$ = Transform(toc$$, xsl$$)%%%[%%%Output(n$)%%%]"), "[2]");
}

TEST_F(TransformFunction, FailuresGiveTheEmptyText) {
  SetGlobal("toc$$", kToc);
  SetGlobal("badxml$$", "<toc><topic></toc>");
  SetGlobal("badxsl$$", "<xsl:stylesheet version=\"1.0\"");
  SetGlobal("passwd$$", TextSheet("<xsl:value-of select=\"document('/etc/passwd')\"/>").c_str());
  SetGlobal("entity$$",
            "<!DOCTYPE toc [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><toc>&e;</toc>");
  SetGlobal("copy$$", TextSheet("<xsl:value-of select=\".\"/>").c_str());
  SetGlobal("html$$", kTocToHtml);
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
  for (const std::string expression :
       {"Transform(badxml$$, html$$)", "Transform(toc$$, badxsl$$)", "Transform(toc$$, passwd$$)",
        "Transform(entity$$, copy$$)", "Transform('', '')"}) {
    EXPECT_EQ(Eval(expression), "") << expression;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(TakeOutputs(), std::vector<std::string>{});
}

TEST_F(TransformFunction, ArgumentCounts) {
  for (const std::string expression : {"Transform('<a/>')", "Transform('a', 'b', 'c')"}) {
    EXPECT_EQ(Eval(expression), std::nullopt) << expression;
    EXPECT_EQ(TakeOutputs(), std::vector<std::string>{Unresolved(expression)});
  }
}

}  // namespace
}  // namespace quenloft::testing
