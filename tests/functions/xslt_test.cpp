// TransformXml on its own: results, and refusals that must fail quietly.
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

const std::string kCountTopics = Sheet("", "<r><xsl:value-of select=\"count(//topic)\"/></r>");

// The transformation of a table of contents into HTML is checked through
// Transform in value_functions_test.
TEST(TransformXml, OutputMethodsDeclarationAndInternalEntities) {
  const std::string text = "<xsl:output method=\"text\"/>";
  const struct {
    const char* name;
    std::string xml, sheet, expected;
  } cases[] = {
      {"xml output loses its declaration", kToc, kCountTopics, "<r>2</r>\n"},
      {"text output", kToc, Sheet(text, "<xsl:value-of select=\"toc/topic[2]\"/>"), "Usage"},
      {"utf-8 passes through", kToc, Sheet(text, "\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9"},
      {"the style sheet itself", kToc,
       Sheet(text, "<xsl:value-of select=\"count(document('')//xsl:template)\"/>"), "1"},
      {"empty output is no failure", kToc, Sheet(text, ""), ""},
      {"internal entity", "<!DOCTYPE toc [<!ENTITY name \"Quick\">]><toc>&name; start</toc>",
       Sheet(text, "<xsl:value-of select=\"toc\"/>"), "Quick start"},
  };
  for (const auto& c : cases) EXPECT_EQ(TransformXml(c.xml, c.sheet), c.expected) << c.name;
}

// The result is UTF-8, the system's code page, whatever the style sheet
// declares for its output.
TEST(TransformXml, ResultIsUtf8WhateverTheOutputEncoding) {
  const std::string cafe = "caf\xC3\xA9 \xE2\x82\xAC";  // "café €"
  for (const char* encoding : {"ISO-8859-1", "windows-1252", "UTF-16", "US-ASCII", "utf-8"}) {
    const auto output = [&](const std::string& method) {
      return "<xsl:output method=\"" + method + "\" encoding=\"" + encoding + "\"/>";
    };
    EXPECT_EQ(TransformXml(kToc, Sheet(output("text"), cafe)), cafe) << encoding;
    EXPECT_EQ(TransformXml(kToc, Sheet(output("xml"), "<r>" + cafe + "</r>")),
              "<r>" + cafe + "</r>\n")
        << encoding;
    // The meta element that the html method adds names what the bytes are.
    EXPECT_EQ(TransformXml(kToc, Sheet(output("html"),
                                       "<html><head><title>" + cafe + "</title></head></html>")),
              "<html><head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=UTF-8\">\n<title>" +
                  cafe + "</title>\n</head></html>\n")
        << encoding;
  }
}

TEST(TransformXml, FailuresGiveNothingAndPrintNothing) {
  // Both would be read without the protections: a plain XML document and
  // a style sheet that an include would pull in.
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
    std::string xml;
    std::string sheet;
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

TEST(TransformXml, ThreadsTransformAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> good(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&good, t] {
      for (int i = 0; i < 20; ++i) good[t] += TransformXml(kToc, kCountTopics) == "<r>2</r>\n";
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(4, 20));
}

}  // namespace
}  // namespace quenloft::platform
