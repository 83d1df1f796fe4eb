// TAVLOR's byte strings in memory (its HTML helpers and colours are rows of
// tests/data/inhouse/tavlor.txt; its files are in file_io_test.cpp).
#include <gtest/gtest.h>

#include <string>

#include "TAVLOR/ByteString.h"
#include "TAVLOR/HtmlPack.h"

namespace inhouse_test {
namespace {

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

TEST(Colors, NowhereToPutTheColour) { EXPECT_EQ(ColorNameToColor("red", nullptr), 0); }

}  // namespace
}  // namespace inhouse_test
