// The string-object helpers against a string object that has only the
// slots every string object must have: what it receives and gives back.
#include "quenloft/string_object.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace quenloft {
namespace {

using namespace std::string_view_literals;

// A string object with only the slots every string object must have; the
// others fail the test. Records the calls of the four it may get.
struct StrictString final : ICvoString {
  int32_t CVO_CALL QueryInterface(const CvoIID&, void**) override { return Wrong(); }
  int32_t CVO_CALL AddRef() override { return ++count; }
  int32_t CVO_CALL Release() override { return --count; }
  int32_t CVO_CALL SetText(const char* t) override { return calls += "S", text = t, 0; }
  int32_t CVO_CALL GetLength() override { return calls += "L", static_cast<int32_t>(text.size()); }
  int32_t CVO_CALL Empty() override { return calls += "E", text.clear(), 0; }
  int32_t CVO_CALL GetText(const char** t) override { return calls += "T", *t = text.c_str(), 0; }

  int32_t CVO_CALL AppendText(const char*) override { return Wrong(); }
  int32_t CVO_CALL SetBytes(const char*, int32_t) override { return Wrong(); }
  int32_t CVO_CALL AppendBytes(const char*, int32_t) override { return Wrong(); }
  int32_t CVO_CALL Compare(const char*, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL CompareNoCase(const char*, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL MakeLower() override { return Wrong(); }
  int32_t CVO_CALL MakeUpper() override { return Wrong(); }
  int32_t CVO_CALL Trim() override { return Wrong(); }
  int32_t CVO_CALL Find(const char*, int32_t, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL Left(int32_t) override { return Wrong(); }
  int32_t CVO_CALL Mid(int32_t, int32_t) override { return Wrong(); }
  int32_t CVO_CALL Replace(const char*, const char*, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL Clone(ICvoString**) override { return Wrong(); }
  int32_t CVO_CALL GetBytes(const char**, int32_t*) override { return Wrong(); }
  int32_t CVO_CALL IsEqual(ICvoString*, int32_t*) override { return Wrong(); }

  int32_t Wrong() { return calls += "!", 1; }

  int32_t count = 1;
  std::string text;
  std::string calls;  // S SetText, L GetLength, E Empty, T GetText, ! any other
};

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
    StrictString s;
    s.text = "previous content";
    WriteString(&s, c.written);
    EXPECT_EQ(ReadString(&s), c.read);
    EXPECT_EQ(s.calls, c.calls);
  }
  StrictString s;
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
