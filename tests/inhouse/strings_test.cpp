// The in-house strings as objects. CorvaskObjs' string object: references,
// interfaces, copies and refused out-pointers (its edits are rows of
// tests/data/inhouse/cvo_string.txt). TAVLOR's byte strings in memory (its
// HTML helpers and colours are rows of tests/data/inhouse/tavlor.txt; its
// files are in file_io_test.cpp).
#include <gtest/gtest.h>

#include <string>

#include "CorvaskObjs/CvoString.h"
#include "TAVLOR/ByteString.h"
#include "TAVLOR/HtmlPack.h"
#include "quenloft/string_object.h"
#include "support/texts.h"

namespace inhouse_test {
namespace {

using quenloft::testing::Codes;

constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057u);
constexpr int32_t kNotImpl = static_cast<int32_t>(0x80004001u);

TEST(CvoString, ReferencesAndQueryInterface) {
  EXPECT_EQ(CreateCvoStringInstance(nullptr), 1);
  ICvoString* s = nullptr;
  ASSERT_EQ(CreateCvoStringInstance(&s), 0);
  const char* text = nullptr;
  ASSERT_EQ(s->GetText(&text), 0);
  EXPECT_STREQ(text, "");  // never null, even before any content
  EXPECT_EQ(s->GetText(nullptr), 1);

  void* out = nullptr;
  ASSERT_EQ(s->QueryInterface(IID_ICvoString, &out), 0);
  EXPECT_EQ(out, static_cast<void*>(s));
  CvoIID other = IID_ICvoString;
  other.Data4[7] ^= 1;
  out = &other;
  EXPECT_EQ(s->QueryInterface(other, &out), kNotImpl);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(s->QueryInterface(IID_ICvoString, nullptr), kInvalidArg);
  // Only the successful query took one; then destroyed (ASan reports a leak otherwise).
  EXPECT_EQ(Codes({s->Release(), s->Release()}), "1,0");
}

TEST(CvoString, CloneAndIsEqualKeepAllBytes) {
  quenloft::Text s, other;
  s.get()->SetBytes("a\0b", 3);
  other.get()->SetBytes("a\0c", 3);
  quenloft::ComPtr<ICvoString> cloned;
  ASSERT_EQ(s.get()->Clone(cloned.put()), 0);
  ASSERT_NE(cloned.get(), s.get());
  int32_t same = -1, different = -1;
  EXPECT_EQ(Codes({s.get()->IsEqual(cloned.get(), &same), s.get()->IsEqual(other, &different), same,
                   different}),
            "0,0,1,0");
  s.set("changed");
  const char* bytes = nullptr;
  int32_t length = 0;
  cloned->GetBytes(&bytes, &length);
  EXPECT_EQ(std::string(bytes, static_cast<size_t>(length)), std::string("a\0b", 3));
  EXPECT_EQ(Codes({s.get()->Clone(nullptr), s.get()->IsEqual(nullptr, &same),
                   s.get()->IsEqual(other, nullptr), s.get()->Find("a", 0, nullptr)}),
            "1,1,1,1");
}

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
