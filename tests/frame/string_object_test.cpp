// The string-object helpers: what a string object receives and gives back.
#include "frame/string_object.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace quenloft {
namespace {

struct WriteCase {
  const char* name;
  std::string_view written;
  std::string read;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

using namespace std::string_view_literals;

const WriteCase kWrites[] = {
    {"Text", "Hello", "Hello"},
    {"Empty", ""sv, ""},
    {"StopsAtZeroByte", "ab\0cd"sv, "ab"},
    {"LeadingZeroByte", "\0cd"sv, ""},
    {"Utf8Kept", "gr\xC3\xBC\xC3\x9F"sv, "gr\xC3\xBC\xC3\x9F"},
};

class StringObjectWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(StringObjectWrite, ReadsBackWhatWasWritten) {
  ComPtr<ICvoString> s = NewString();
  ASSERT_TRUE(s);
  WriteString(s.get(), "previous content");
  WriteString(s.get(), GetParam().written);
  EXPECT_EQ(ReadString(s.get()), GetParam().read);
  EXPECT_EQ(s->GetLength() == 0, GetParam().read.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, StringObjectWrite, ::testing::ValuesIn(kWrites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringObject, NullObjectsAreHarmless) {
  WriteString(nullptr, "ignored");
  EXPECT_EQ(ReadString(nullptr), "");
}

TEST(StringObject, NewStringsAreSeparateAndEmptyWithOneReference) {
  ComPtr<ICvoString> a = NewString();
  ComPtr<ICvoString> b = NewString();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_EQ(a->GetLength(), 0);
  EXPECT_EQ(a->AddRef(), 2);
  EXPECT_EQ(a->Release(), 1);
}

}  // namespace
}  // namespace quenloft
