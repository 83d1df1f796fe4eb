// TransformXml on its own: results, and refusals that must fail quietly.
// The Transform function around it is checked in builtin_functions_test.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "inhouse/scratch_folder.h"
#include "platform/xslt.h"

namespace quenloft::platform {
namespace {

constexpr char kToc[] =
    "<?xml version=\"1.0\"?>\n"
    "<toc><topic href=\"a.htm\">Intro &amp; setup</topic><topic href=\"b.htm\">Usage</topic></toc>";

std::string Sheet(const std::string& output, const std::string& body) {
  return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">" +
         output + "<xsl:template match=\"/\">" + body + "</xsl:template></xsl:stylesheet>";
}
std::string Output(const std::string& method, const std::string& encoding = "") {
  return "<xsl:output method=\"" + method + "\"" +
         (encoding.empty() ? "" : " encoding=\"" + encoding + "\"") + "/>";
}

const std::string kCountTopics = Sheet("", "<r><xsl:value-of select=\"count(//topic)\"/></r>");
const std::string kCafe = "caf\xC3\xA9 \xE2\x82\xAC";  // "café €"

TEST(TransformXml, Results) {
  const struct {
    const char* name;
    std::string xml, sheet, expected;
  } cases[] = {
      {"xml output loses its declaration", kToc, kCountTopics, "<r>2</r>\n"},
      {"text output", kToc, Sheet(Output("text"), "<xsl:value-of select=\"toc/topic[2]\"/>"),
       "Usage"},
      {"the style sheet itself", kToc,
       Sheet(Output("text"), "<xsl:value-of select=\"count(document('')//xsl:template)\"/>"), "1"},
      {"empty output is no failure", kToc, Sheet(Output("text"), ""), ""},
      {"internal entity", "<!DOCTYPE toc [<!ENTITY name \"Quick\">]><toc>&name; start</toc>",
       Sheet(Output("text"), "<xsl:value-of select=\"toc\"/>"), "Quick start"},
  };
  for (const auto& c : cases) EXPECT_EQ(TransformXml(c.xml, c.sheet), c.expected) << c.name;

  // The result is UTF-8, the system's code page, whatever the style sheet
  // declares; the meta element the html method adds says so.
  for (const char* encoding : {"ISO-8859-1", "windows-1252", "UTF-16", "US-ASCII", "utf-8"}) {
    EXPECT_EQ(TransformXml(kToc, Sheet(Output("text", encoding), kCafe)), kCafe) << encoding;
    EXPECT_EQ(TransformXml(kToc, Sheet(Output("xml", encoding), "<r>" + kCafe + "</r>")),
              "<r>" + kCafe + "</r>\n")
        << encoding;
    EXPECT_EQ(TransformXml(kToc, Sheet(Output("html", encoding),
                                       "<html><head><title>" + kCafe + "</title></head></html>")),
              "<html><head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=UTF-8\">\n<title>" + kCafe + "</title>\n</head></html>\n")
        << encoding;
  }
}

TEST(TransformXml, RefusalsGiveNothingAndPrintNothing) {
  // Both would be read without the protections: a plain XML document and a
  // style sheet that an include would pull in.
  const inhouse_test::ScratchFolder folder;
  const std::string data = folder / "data.xml", module = folder / "module.xsl";
  const std::string written = folder / "written.txt";
  inhouse_test::WriteFile(data, "<secret>hidden</secret>");
  inhouse_test::WriteFile(module, Sheet("", "included"));
  const auto top = [](const std::string& element) {
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">" +
           element + "</xsl:stylesheet>";
  };
  const auto copy_of = [](const std::string& select) {
    return Sheet("", "<xsl:copy-of select=\"" + select + "\"/>");
  };
  const struct {
    const char* name;
    std::string xml, sheet;
  } cases[] = {
      {"bad XML", "<toc><topic></toc>", kCountTopics},
      {"empty XML", "", kCountTopics},
      {"bad style sheet", kToc, "<xsl:stylesheet"},
      {"not a style sheet", kToc, "<html/>"},
      {"unknown function", kToc, copy_of("nosuch()")},
      {"document() reads a file", kToc, copy_of("document('/etc/passwd')")},
      {"document() reads a readable XML file", kToc, copy_of("document('" + data + "')")},
      {"document() reads the network", kToc, copy_of("document('http://127.0.0.1:9/x.xml')")},
      {"include of a readable file", kToc, top("<xsl:include href=\"" + module + "\"/>")},
      {"import of a file", kToc, top("<xsl:import href=\"/etc/passwd\"/>")},
      {"style sheet writes a file", kToc,
       Sheet("", "<xsl:document href=\"" + written +
                     "\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">x</xsl:document>")},
      {"external entity",
       "<!DOCTYPE toc [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]><toc>&secret;</toc>",
       copy_of(".")},
      {"external parameter entity",
       "<!DOCTYPE toc [<!ENTITY % remote SYSTEM \"http://127.0.0.1:9/x.dtd\"> %remote;]><toc/>",
       copy_of(".")},
  };
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
  for (const auto& c : cases) EXPECT_EQ(TransformXml(c.xml, c.sheet), std::nullopt) << c.name;
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(std::filesystem::exists(written)) << "the style sheet wrote " << written;
}

// The first threads do not race for the library's global state.
TEST(TransformXml, ThreadsTransformAtOnce) {
  std::vector<int> good(4, 0);
  std::vector<std::thread> threads;
  for (int& count : good) {
    threads.emplace_back([&count] {
      for (int i = 0; i < 20; ++i) count += TransformXml(kToc, kCountTopics) == "<r>2</r>\n";
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(4, 20));
}

}  // namespace
}  // namespace quenloft::platform
