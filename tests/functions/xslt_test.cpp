// TransformXml on its own, where the statement table (transform.txt) cannot
// reach: files of the test's own that the protections keep unread and
// unwritten, and threads. Every refusal gives nothing and prints nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/files.h"
#include "platform/xslt.h"

namespace quenloft::platform {
namespace {

constexpr char kToc[] = "<toc><topic>Intro</topic><topic>Usage</topic></toc>";
constexpr char kSheet[] =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";

std::string Sheet(const std::string& body) {
  return kSheet + ("<xsl:template match=\"/\">" + body + "</xsl:template></xsl:stylesheet>");
}

// Both files would be read without the protections: a plain XML document
// and a style sheet that an include would pull in.
TEST(TransformXml, FilesOfItsOwnAreNeitherReadNorWritten) {
  const fixtures::ScratchFolder folder;
  const std::string data = folder / "data.xml", module = folder / "module.xsl";
  const std::string written = folder / "written.txt";
  ASSERT_TRUE(fixtures::WriteFile(data, "<secret>hidden</secret>"));
  ASSERT_TRUE(fixtures::WriteFile(module, Sheet("included")));
  const std::string sheets[] = {
      Sheet("<xsl:copy-of select=\"document('" + data + "')\"/>"),
      kSheet + ("<xsl:include href=\"" + module + "\"/></xsl:stylesheet>"),
      Sheet("<xsl:document href=\"" + written + "\">x</xsl:document>"),
  };
  std::fflush(stderr);
  ::testing::internal::CaptureStderr();
  for (const std::string& sheet : sheets) EXPECT_EQ(TransformXml(kToc, sheet), std::nullopt);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(std::filesystem::exists(written)) << "the style sheet wrote " << written;
}

// The first threads do not race for the library's global state.
TEST(TransformXml, ThreadsTransformAtOnce) {
  const std::string count = Sheet("<r><xsl:value-of select=\"count(//topic)\"/></r>");
  std::vector<int> good(4, 0);
  std::vector<std::thread> threads;
  for (int& n : good) {
    threads.emplace_back([&n, &count] {
      for (int i = 0; i < 20; ++i) n += TransformXml(kToc, count) == "<r>2</r>\n";
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(4, 20));
}

}  // namespace
}  // namespace quenloft::platform
