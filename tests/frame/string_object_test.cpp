// The string-object helpers against a host's string object that has only
// the slots every string object must have: what it receives and gives back.
#include "quenloft/string_object.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "support/host_objects.h"

namespace quenloft {
namespace {

using namespace std::string_view_literals;
using testing::HostString;

TEST(StringObject, WritesThroughSetTextOrEmptyAndReadsThroughGetLengthAndGetText) {
  const std::string long_text = std::string(300, 'x') + "tail";
  const struct {
    std::string_view written;
    std::string read;
    const char* calls;  // of the write, then of the read
  } kCases[] = {
      {""sv, "", "EL"},
      {std::string_view(), "", "EL"},  // no data at all
      {"\0hidden"sv, "", "EL"},
      {"ab\0cd"sv, "ab", "SLT"},  // stops at a zero byte
      {"gr\xC3\xBC\xC3\x9F"sv, "gr\xC3\xBC\xC3\x9F", "SLT"},
      {"abcdef"sv.substr(0, 3), "abc", "SLT"},  // a view is not terminated
      {std::string_view(long_text).substr(0, 300), std::string(300, 'x'), "SLT"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.read);
    HostString s("previous content");
    WriteString(&s, c.written);
    EXPECT_EQ(ReadString(&s), c.read);
    EXPECT_EQ(s.calls, c.calls);
  }
  HostString s;
  WriteString(&s, static_cast<const char*>(nullptr));  // counts as empty
  WriteString(&s, std::string("std"));
  EXPECT_EQ(s.calls, "ES");
  WriteString(nullptr, "ignored");
  EXPECT_EQ(ReadString(nullptr), "");
}

TEST(StringObject, TextHoldsOneStringObjectOfTheObjectLibrary) {
  Text text("first");
  ASSERT_NE(text.get(), nullptr);
  EXPECT_EQ(text.text(), "first");
  ICvoString* const object = text;
  text.set("second");
  EXPECT_EQ(ReadString(object), "second");
  text.clear();
  EXPECT_EQ(object->GetLength(), 0);
  Text moved(std::move(text));
  EXPECT_EQ(moved.get(), object);
  EXPECT_EQ(text.get(), nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(object->AddRef(), 2);  // the holder's reference, and this one
  object->Release();
}

}  // namespace
}  // namespace quenloft
