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
  CByteString s("a\0b", 3);
  EXPECT_TRUE(s.HasZeroByte());
  EXPECT_EQ(s.GetContent()[3], '\0');
  s += "cd";
  EXPECT_EQ(Content(s), std::string("a\0bcd", 5));
  CByteString moved(std::move(s));
  EXPECT_STREQ(s.GetContent(), "");  // NOLINT(bugprone-use-after-move): defined as empty
  s = static_cast<const char*>(nullptr);
  EXPECT_STREQ(s.GetContent(), "");
  const CByteString& same = moved;
  moved = same;
  EXPECT_EQ(Content(moved), std::string("a\0bcd", 5));
}

TEST(ByteString, AppendAndAssignFromItself) {
  CByteString s("0123456789", 10);
  s.Append(s.GetContent(), s.GetLength());  // forces the buffer to move
  const std::string appended = Content(s);
  s.Assign(s.GetContent() + 5, 3);
  EXPECT_EQ(appended + "|" + Content(s), "01234567890123456789|567");
}

// Appends stay linear: room is made ahead, so small appends keep the buffer.
TEST(ByteString, DoublingGrowthKeepsTheBufferAcrossSmallAppends) {
  CByteString doubling;
  doubling.SetGrowByDoubleSize();
  doubling.Append("x", 1);
  const char* buffer = doubling.GetContent();
  for (int i = 0; i < 14; ++i) doubling.Append("x", 1);
  EXPECT_EQ(doubling.GetContent(), buffer);
  EXPECT_EQ(Content(doubling), std::string(15, 'x'));

  CByteString reserved;
  reserved.Reserve(100);
  buffer = reserved.GetContent();
  for (int i = 0; i < 100; ++i) reserved.Append("y", 1);
  EXPECT_EQ(reserved.GetContent(), buffer);
}

TEST(ByteString, LoadTellsEmptyFromUnreadable) {
  ScratchFolder scratch;
  WriteFile(scratch / "empty", "");
  const std::string binary("\x00\x01\xFF zero\0", 9);
  WriteFile(scratch / "binary", binary);
  std::string unreadable = scratch / "locked";
  if (inhouse_test::RunningAsRoot()) {
    std::filesystem::create_directory(unreadable);  // root reads any file
  } else {
    WriteFile(unreadable, "secret");
    ::chmod(unreadable.c_str(), 0);
  }

  CByteString s("previous", 8);
  for (const std::string& bad : {scratch / "missing", unreadable}) {
    EXPECT_EQ(s.LoadFromFile(bad.c_str()), 0) << bad;
    EXPECT_EQ(Content(s), "previous");
  }
  EXPECT_EQ(s.LoadFromFile(nullptr), 0);
  EXPECT_EQ(s.LoadFromFile((scratch.path() + "\\binary").c_str()), 1);
  EXPECT_EQ(Content(s), binary);
  EXPECT_EQ(s.LoadFromFile((scratch / "empty").c_str()), 1);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(ByteString, SaveWritesNewAndReplacesOldKeepingPermissions) {
  ScratchFolder scratch;
  ASSERT_EQ(CByteString("new\0content", 11).SaveToFile((scratch.path() + "\\fresh.htm").c_str()), 1);
  EXPECT_EQ(ReadFile(scratch / "fresh.htm"), std::string("new\0content", 11));

  WriteFile(scratch / "old.htm", "a much longer old content");
  ::chmod((scratch / "old.htm").c_str(), 0640);
  ASSERT_EQ(CByteString("short", 5).SaveToFile((scratch / "old.htm").c_str()), 1);
  EXPECT_EQ(ReadFile(scratch / "old.htm"), "short");
  EXPECT_EQ(ModeOf(scratch / "old.htm"), 0640u);
  EXPECT_THAT(NamesIn(scratch.path()), ElementsAre("fresh.htm", "old.htm"));
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

  if (inhouse_test::RunningAsRoot()) return;  // root writes into any folder
  std::filesystem::create_directory(scratch / "locked");
  WriteFile(scratch / "locked/a.htm", "old");
  ::chmod((scratch / "locked").c_str(), 0555);
  EXPECT_EQ(CByteString("new", 3).SaveToFile((scratch / "locked/a.htm").c_str()), 0);
  EXPECT_EQ(ReadFile(scratch / "locked/a.htm"), "old");
  EXPECT_THAT(NamesIn(scratch / "locked"), ElementsAre("a.htm"));
}

TEST(HtmlPack, HtmlAndTextTables) {
  const std::pair<const char*, const char*> to_text[] = {
      // Entities and tags also go through the HtmlToText function's tests.
      {"&#X43; &nbsp;", "C \xC2\xA0"},
      {"<html><head><title>T</title><style>p{}</style></head>"
       "<body>x<script>var a = 1 < 2;</script>y</body></html>",
       "Txy"},
      {"<!-- note -->kept", "kept"},
  };
  for (const auto& [html, text] : to_text) EXPECT_EQ(CHtmlPack::HtmlToText(html), text) << html;
  EXPECT_EQ(CHtmlPack::HtmlToText(nullptr), "");

  const std::pair<const char*, const char*> to_html[] = {{"&amp;", "&amp;amp;"}, {"it's", "it's"}};
  for (const auto& [text, html] : to_html) {
    EXPECT_EQ(CHtmlPack::TextToHtml(text), html) << text;
    EXPECT_EQ(CHtmlPack::HtmlToText(CHtmlPack::TextToHtml(text).c_str()), text);
  }
  EXPECT_EQ(CHtmlPack::TextToHtml(nullptr), "");
}

TEST(Colors, ColorNameToColorTable) {
  const std::pair<const char*, uint32_t> known[] = {  // red in the lowest byte
      {"Red", 0x0000FF}, {"LightGoldenrodYellow", 0xD2FAFA},
      {"#A0b0C0", 0xC0B0A0}, {"#abc", 0xCCBBAA},
  };
  for (const auto& [name, expected] : known) {
    uint32_t color = 0;
    EXPECT_EQ(ColorNameToColor(name, &color), 1) << name;
    EXPECT_EQ(color, expected) << name;
  }
  for (const char* unknown : {"lightgoldenrodyellowx", "#12345", "#ggg", "#", "", " red"}) {
    uint32_t color = 7;
    EXPECT_EQ(ColorNameToColor(unknown, &color), 0) << unknown;
    EXPECT_EQ(color, 7u) << unknown;
  }
  uint32_t color = 7;
  EXPECT_EQ(ColorNameToColor(nullptr, &color) + ColorNameToColor("red", nullptr), 0);
}

}  // namespace
