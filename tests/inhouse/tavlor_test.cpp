#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "TAVLOR/ByteString.h"
#include "TAVLOR/HtmlPack.h"
#include "inhouse/scratch_folder.h"

namespace {

using inhouse_test::ModeOf;
using inhouse_test::NamesIn;
using inhouse_test::ReadFile;
using inhouse_test::ScratchFolder;
using inhouse_test::WriteFile;
using testing::ElementsAre;

std::string Content(const CByteString& s) { return std::string(s.GetContent(), s.GetLength()); }

TEST(ByteString, HoldsZeroBytesAndStaysTerminated) {
  CByteString empty;
  ASSERT_NE(empty.GetContent(), nullptr);
  EXPECT_STREQ(empty.GetContent(), "");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(empty.HasZeroByte());

  CByteString s("a\0b", 3);
  EXPECT_EQ(s.GetLength(), 3u);
  EXPECT_TRUE(s.HasZeroByte());
  EXPECT_EQ(s.GetContent()[3], '\0');
  s += "cd";
  EXPECT_EQ(Content(s), std::string("a\0bcd", 5));
  s = "text";
  EXPECT_FALSE(s.HasZeroByte());
  EXPECT_EQ(Content(s), "text");
  s = static_cast<const char*>(nullptr);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_STREQ(s.GetContent(), "");
}

TEST(ByteString, CopiesAndMovesOwnTheirBytes) {
  CByteString a("abc", 3);
  CByteString b(a);
  b += "d";
  EXPECT_EQ(Content(a), "abc");
  EXPECT_EQ(Content(b), "abcd");
  CByteString c(std::move(b));
  EXPECT_EQ(Content(c), "abcd");
  EXPECT_STREQ(b.GetContent(), "");  // NOLINT(bugprone-use-after-move): defined as empty
  a = c;
  EXPECT_EQ(Content(a), "abcd");
  const CByteString& same = a;
  a = same;
  EXPECT_EQ(Content(a), "abcd");
  c = std::move(a);
  EXPECT_EQ(Content(c), "abcd");
}

TEST(ByteString, AppendAndAssignFromItself) {
  CByteString s("0123456789", 10);
  s.Append(s.GetContent(), s.GetLength());  // forces the buffer to move
  EXPECT_EQ(Content(s), "01234567890123456789");
  s.Assign(s.GetContent() + 5, 3);
  EXPECT_EQ(Content(s), "567");
}

TEST(ByteString, DoublingGrowthKeepsTheBufferAcrossSmallAppends) {
  CByteString doubling;
  doubling.SetGrowByDoubleSize();
  doubling.Append("x", 1);
  const char* buffer = doubling.GetContent();
  for (int i = 0; i < 14; ++i) doubling.Append("x", 1);
  EXPECT_EQ(doubling.GetContent(), buffer);  // room was made ahead
  EXPECT_EQ(Content(doubling), std::string(15, 'x'));

  // Exact growth: each append needs a new buffer (made before the old one
  // is freed, so its address differs).
  CByteString exact;
  exact.Append("x", 1);
  buffer = exact.GetContent();
  exact.Append("x", 1);
  EXPECT_NE(exact.GetContent(), buffer);

  exact.Reserve(100);
  buffer = exact.GetContent();
  for (int i = 0; i < 98; ++i) exact.Append("y", 1);
  EXPECT_EQ(exact.GetContent(), buffer);
  EXPECT_EQ(exact.GetLength(), 100u);
}

TEST(ByteString, LoadTellsEmptyFromUnreadable) {
  ScratchFolder scratch;
  WriteFile(scratch / "empty", "");
  WriteFile(scratch / "binary", std::string("\x00\x01\xFF zero\0", 9));
  std::string unreadable = scratch / "locked";
  if (inhouse_test::RunningAsRoot()) {
    std::filesystem::create_directory(unreadable);  // root reads any file
  } else {
    WriteFile(unreadable, "secret");
    ::chmod(unreadable.c_str(), 0);
  }

  CByteString s("previous", 8);
  EXPECT_EQ(s.LoadFromFile((scratch / "missing").c_str()), 0);
  EXPECT_EQ(Content(s), "previous");
  EXPECT_EQ(s.LoadFromFile(unreadable.c_str()), 0);
  EXPECT_EQ(Content(s), "previous");
  EXPECT_EQ(s.LoadFromFile(nullptr), 0);
  EXPECT_EQ(s.LoadFromFile((scratch.path() + "\\binary").c_str()), 1);
  EXPECT_EQ(Content(s), std::string("\x00\x01\xFF zero\0", 9));
  EXPECT_EQ(s.LoadFromFile((scratch / "empty").c_str()), 1);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(ByteString, LoadReadsLargeFilesWhole) {
  ScratchFolder scratch;
  std::string big(300 * 1024 + 7, 'a');
  for (size_t i = 0; i < big.size(); i += 1000) big[i] = static_cast<char>(i % 251);
  WriteFile(scratch / "big", big);
  CByteString s;
  ASSERT_EQ(s.LoadFromFile((scratch / "big").c_str()), 1);
  EXPECT_EQ(Content(s), big);
}

TEST(ByteString, SaveWritesNewAndReplacesOldKeepingPermissions) {
  ScratchFolder scratch;
  const CByteString text("new\0content", 11);
  ASSERT_EQ(text.SaveToFile((scratch.path() + "\\fresh.htm").c_str()), 1);
  EXPECT_EQ(ReadFile(scratch / "fresh.htm"), std::string("new\0content", 11));

  WriteFile(scratch / "old.htm", "a much longer old content");
  ::chmod((scratch / "old.htm").c_str(), 0640);
  ASSERT_EQ(CByteString("short", 5).SaveToFile((scratch / "old.htm").c_str()), 1);
  EXPECT_EQ(ReadFile(scratch / "old.htm"), "short");
  EXPECT_EQ(ModeOf(scratch / "old.htm"), 0640u);
  EXPECT_THAT(NamesIn(scratch.path()), ElementsAre("fresh.htm", "old.htm"));

  ASSERT_EQ(CByteString().SaveToFile((scratch / "old.htm").c_str()), 1);
  EXPECT_EQ(ReadFile(scratch / "old.htm"), "");
}

TEST(ByteString, SaveThroughLinkWritesTheLinkedFile) {
  ScratchFolder scratch;
  WriteFile(scratch / "real.htm", "old");
  std::filesystem::create_symlink(scratch / "real.htm", scratch / "link.htm");
  ASSERT_EQ(CByteString("new", 3).SaveToFile((scratch / "link.htm").c_str()), 1);
  EXPECT_TRUE(std::filesystem::is_symlink(scratch / "link.htm"));
  EXPECT_EQ(ReadFile(scratch / "real.htm"), "new");
}

TEST(ByteString, FailedSaveLeavesOldContentAndNoTemporaryFile) {
  ScratchFolder scratch;
  // A folder in the target's place: the final rename fails.
  std::filesystem::create_directory(scratch / "target");
  WriteFile(scratch / "target/inside", "kept");
  EXPECT_EQ(CByteString("x", 1).SaveToFile((scratch / "target").c_str()), 0);
  EXPECT_EQ(ReadFile(scratch / "target/inside"), "kept");
  EXPECT_THAT(NamesIn(scratch.path()), ElementsAre("target"));

  // Missing parent folders are not made.
  EXPECT_EQ(CByteString("x", 1).SaveToFile((scratch / "no/such/a.htm").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(scratch / "no"));
  EXPECT_EQ(CByteString("x", 1).SaveToFile(nullptr), 0);
}

TEST(ByteString, SaveIntoUnwritableFolderFailsCleanly) {
  ScratchFolder scratch;
  if (inhouse_test::RunningAsRoot()) {
    // Root writes into any folder; a parent that is a file still fails.
    WriteFile(scratch / "plain", "kept");
    EXPECT_EQ(CByteString("x", 1).SaveToFile((scratch / "plain/a.htm").c_str()), 0);
    EXPECT_EQ(ReadFile(scratch / "plain"), "kept");
    EXPECT_THAT(NamesIn(scratch.path()), ElementsAre("plain"));
    return;
  }
  std::filesystem::create_directory(scratch / "locked");
  WriteFile(scratch / "locked/a.htm", "old");
  ::chmod((scratch / "locked").c_str(), 0555);
  EXPECT_EQ(CByteString("new", 3).SaveToFile((scratch / "locked/a.htm").c_str()), 0);
  EXPECT_EQ(ReadFile(scratch / "locked/a.htm"), "old");
  EXPECT_THAT(NamesIn(scratch / "locked"), ElementsAre("a.htm"));
}

TEST(HtmlPack, HtmlToTextTable) {
  struct {
    const char* html;
    const char* text;
  } const cases[] = {
      {"plain", "plain"},
      {"a &amp; b", "a & b"},
      {"&lt;tag&gt; &quot;q&quot;", "<tag> \"q\""},
      {"&#65;&#x42;&#X43;", "ABC"},
      {"caf&eacute; &nbsp;", "caf\xC3\xA9 \xC2\xA0"},
      {"<p>one <b>two</b></p><p>three</p>", "one twothree"},
      {"<html><head><title>T</title><style>p{}</style></head>"
       "<body>x<script>var a = 1 < 2;</script>y</body></html>",
       "Txy"},
      {"<!-- note -->kept", "kept"},
      {"\xE2\x82\xAC 5", "\xE2\x82\xAC 5"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CHtmlPack::HtmlToText(c.html), c.text) << c.html;
  EXPECT_EQ(CHtmlPack::HtmlToText(nullptr), "");
}

TEST(HtmlPack, TextToHtmlTable) {
  struct {
    const char* text;
    const char* html;
  } const cases[] = {
      {"a & b", "a &amp; b"},
      {"<p class=\"x\">", "&lt;p class=&quot;x&quot;&gt;"},
      {"it's", "it's"},
      {"&amp;", "&amp;amp;"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CHtmlPack::TextToHtml(c.text), c.html) << c.text;
    EXPECT_EQ(CHtmlPack::HtmlToText(CHtmlPack::TextToHtml(c.text).c_str()), c.text);
  }
  EXPECT_EQ(CHtmlPack::TextToHtml(nullptr), "");
}

TEST(Colors, ColorNameToColorTable) {
  struct {
    const char* name;
    int known;
    uint32_t color;  // red in the lowest byte
  } const cases[] = {
      {"red", 1, 0x0000FF},
      {"Red", 1, 0x0000FF},
      {"LIME", 1, 0x00FF00},
      {"navy", 1, 0x800000},
      {"rebeccapurple", 1, 0x993366},
      {"LightGoldenrodYellow", 1, 0xD2FAFA},
      {"grey", 1, 0x808080},
      {"aliceblue", 1, 0xFFF8F0},
      {"yellowgreen", 1, 0x32CD9A},
      {"#102030", 1, 0x302010},
      {"#A0b0C0", 1, 0xC0B0A0},
      {"#abc", 1, 0xCCBBAA},
      {"notacolor", 0, 0x123456},
      {"lightgoldenrodyellowx", 0, 0x123456},
      {"#12345", 0, 0x123456},
      {"#ggg", 0, 0x123456},
      {"#", 0, 0x123456},
      {"", 0, 0x123456},
      {" red", 0, 0x123456},
  };
  for (const auto& c : cases) {
    uint32_t color = 0x123456;
    EXPECT_EQ(ColorNameToColor(c.name, &color), c.known) << c.name;
    EXPECT_EQ(color, c.color) << c.name;
  }
  uint32_t color = 7;
  EXPECT_EQ(ColorNameToColor(nullptr, &color), 0);
  EXPECT_EQ(color, 7u);
  EXPECT_EQ(ColorNameToColor("red", nullptr), 0);
}

}  // namespace
