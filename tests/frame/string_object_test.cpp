// The string-object helpers: what a string object receives and gives back.
#include "frame/string_object.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quenloft {
namespace {

using namespace std::string_view_literals;

TEST(StringObject, ReadsBackWhatWasWritten) {
  // Views end before bytes that must not reach the object.
  const std::string long_text = std::string(300, 'x') + "tail";
  const std::pair<std::string_view, std::string> cases[] = {
      {""sv, ""},
      {"ab\0cd"sv, "ab"},  // stops at a zero byte
      {"gr\xC3\xBC\xC3\x9F"sv, "gr\xC3\xBC\xC3\x9F"},
      {"abcdef"sv.substr(0, 3), "abc"},
      {std::string_view(long_text).substr(0, 300), std::string(300, 'x')},
  };
  for (const auto& [written, read] : cases) {
    ComPtr<ICvoString> s = NewString();
    ASSERT_TRUE(s);
    WriteString(s.get(), "previous content");
    WriteString(s.get(), written);
    EXPECT_EQ(ReadString(s.get()), read);
    EXPECT_EQ(s->GetLength(), static_cast<int32_t>(read.size()));
  }
  WriteString(nullptr, "ignored");
  EXPECT_EQ(ReadString(nullptr), "");
}

}  // namespace
}  // namespace quenloft
