// TransformXml on its own: results, and refusals that must fail quietly.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

const std::string kHtmlList = Sheet(
    "<xsl:output method=\"html\"/>",
    "<ul><xsl:for-each select=\"toc/topic\"><li><a href=\"{@href}\"><xsl:value-of "
    "select=\".\"/></a></li></xsl:for-each></ul>");

TEST(TransformXml, TableOfContentsBecomesHtml) {
  EXPECT_EQ(TransformXml(kToc, kHtmlList),
            "<ul>\n<li><a href=\"a.htm\">Intro &amp; setup</a></li>\n"
            "<li><a href=\"b.htm\">Usage</a></li>\n</ul>\n");
}

TEST(TransformXml, OutputMethodsAndDeclaration) {
  struct Case {
    const char* name;
    std::string sheet;
    std::string expected;
  };
  const Case cases[] = {
      {"xml output loses its declaration", Sheet("", "<r><xsl:value-of select=\"count(//topic)\"/></r>"),
       "<r>2</r>\n"},
      {"text output", Sheet("<xsl:output method=\"text\"/>", "<xsl:value-of select=\"toc/topic[2]\"/>"),
       "Usage"},
      {"utf-8 passes through", Sheet("<xsl:output method=\"text\"/>", "\xC3\xA9t\xC3\xA9"),
       "\xC3\xA9t\xC3\xA9"},
      {"empty output", Sheet("<xsl:output method=\"text\"/>", ""), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TransformXml(kToc, c.sheet), c.expected) << c.name;
  }
}

// A path of this process's own in the temporary folder, so that runs of
// the suite side by side never see each other's files.
std::string UniqueTempPath(const char* name) {
  return ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

// A readable file outside the two texts, removed again at the end.
class LocalFile {
 public:
  LocalFile(const char* name, const std::string& content)
      : path_(UniqueTempPath(name)) {
    std::FILE* file = std::fopen(path_.c_str(), "w");
    if (file != nullptr) {
      std::fputs(content.c_str(), file);
      std::fclose(file);
    }
  }
  ~LocalFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(TransformXml, FailuresGiveNothingAndPrintNothing) {
  // Both would be read without the protections: a plain XML document and
  // a style sheet that an include would pull in.
  const LocalFile data("quenloft_xslt_data.xml", "<secret>hidden</secret>");
  const LocalFile module("quenloft_xslt_module.xsl",
                         Sheet("<xsl:output method=\"text\"/>", "included"));
  const std::string local_read = Sheet("<xsl:output method=\"text\"/>",
                                       "<xsl:value-of select=\"document('" + data.path() + "')\"/>");
  const std::string local_include =
      "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
      "<xsl:include href=\"" + module.path() + "\"/></xsl:stylesheet>";
  const std::string passwd = Sheet("<xsl:output method=\"text\"/>",
                                   "<xsl:copy-of select=\"document('/etc/passwd')\"/>");
  const std::string network = Sheet("<xsl:output method=\"text\"/>",
                                    "<xsl:copy-of select=\"document('http://127.0.0.1:9/x.xml')\"/>");
  const std::string import =
      "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
      "<xsl:import href=\"/etc/passwd\"/></xsl:stylesheet>";
  const std::string written = UniqueTempPath("quenloft_xslt_write.txt");
  std::remove(written.c_str());
  const std::string write = Sheet(
      "", "<xsl:document href=\"" + written + "\" "
          "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">x</xsl:document>");
  const std::string entity_xml =
      "<!DOCTYPE toc [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]><toc>&secret;</toc>";
  const std::string parameter_entity_xml =
      "<!DOCTYPE toc [<!ENTITY % remote SYSTEM \"http://127.0.0.1:9/x.dtd\"> %remote;]><toc/>";
  const std::string copy_all = Sheet("", "<xsl:copy-of select=\".\"/>");
  struct Case {
    const char* name;
    std::string xml;
    std::string sheet;
  };
  const Case cases[] = {
      {"bad XML", "<toc><topic></toc>", kHtmlList},
      {"empty XML", "", kHtmlList},
      {"bad style sheet", kToc, "<xsl:stylesheet"},
      {"not a style sheet", kToc, "<html/>"},
      {"unknown function", kToc, Sheet("", "<xsl:value-of select=\"nosuch()\"/>")},
      {"document() reads a file", kToc, passwd},
      {"document() reads a readable XML file", kToc, local_read},
      {"include of a readable file", kToc, local_include},
      {"document() reads the network", kToc, network},
      {"import of a file", kToc, import},
      {"style sheet writes a file", kToc, write},
      {"external entity", entity_xml, copy_all},
      {"external parameter entity", parameter_entity_xml, copy_all},
  };
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    EXPECT_EQ(TransformXml(c.xml, c.sheet), std::nullopt) << c.name;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(std::filesystem::exists(written)) << "the style sheet wrote " << written;
}

TEST(TransformXml, InternalEntitiesStillWork) {
  const std::string xml = "<!DOCTYPE toc [<!ENTITY name \"Quick\">]><toc>&name; start</toc>";
  EXPECT_EQ(TransformXml(xml, Sheet("<xsl:output method=\"text\"/>", "<xsl:value-of select=\"toc\"/>")),
            "Quick start");
}

TEST(TransformXml, ThreadsTransformAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> good(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&good, t] {
      for (int i = 0; i < 20; ++i) {
        if (TransformXml(kToc, Sheet("<xsl:output method=\"text\"/>", "<xsl:value-of select=\"count(//topic)\"/>")) == "2") {
          ++good[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int count : good) EXPECT_EQ(count, 20);
}

}  // namespace
}  // namespace quenloft::platform
