#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CorvaskObjs/CvoString.h"
#include "support/texts.h"

namespace {

using quenloft::testing::Codes;

struct Releaser { void operator()(ICvoString* s) const { s->Release(); } };
using Text = std::unique_ptr<ICvoString, Releaser>;

Text NewText(const std::string& bytes) {
  ICvoString* s = nullptr;
  CreateCvoStringInstance(&s);
  s->SetBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
  return Text(s);
}

constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057u);
constexpr int32_t kNotImpl = static_cast<int32_t>(0x80004001u);

// Every byte of the content, and that it is followed by a zero byte.
std::string Bytes(ICvoString* s) {
  const char* bytes = nullptr;
  int32_t length = -1;
  EXPECT_EQ(s->GetBytes(&bytes, &length), 0);
  EXPECT_EQ(bytes[length], '\0');
  EXPECT_EQ(s->GetLength(), length);
  return std::string(bytes, static_cast<size_t>(length));
}

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

// One edit of a string object, as a table cell.
#define EDIT(call) [](ICvoString* s) { return s->call; }

TEST(CvoString, EditsTable) {
  struct { std::string before; int32_t (*edit)(ICvoString*); int32_t result; std::string after; }
  const cases[] = {
      {"old", EDIT(SetText(nullptr)), 0, ""}, {"ab", EDIT(AppendText(nullptr)), 0, "ab"},
      {"", EDIT(SetBytes("a\0b", 3)), 0, std::string("a\0b", 3)},
      {"x", EDIT(SetBytes("a", -1)), 1, "x"}, {"x", EDIT(SetBytes(nullptr, 2)), 1, "x"},
      {"a", EDIT(AppendBytes("\0c", 2)), 0, std::string("a\0c", 3)},
      {"AbC\xC3\x89", EDIT(MakeLower()), 0, "abc\xC3\x89"},  // ASCII only
      {" \t\r\n ", EDIT(Trim()), 0, ""}, {"abc", EDIT(Left(-1)), 0, ""},
      {"abcdef", EDIT(Mid(4, -1)), 0, "ef"}, {"abcdef", EDIT(Mid(4, 10)), 0, "ef"},
      {"abc", EDIT(Mid(5, 1)), 0, ""},
      {"a-b-c", EDIT(Replace("-", "+-", nullptr)), 0, "a+-b+-c"},
      {"aaaa", EDIT(Replace("aa", "b", nullptr)), 0, "bb"},  // not overlapping
      {"abc", EDIT(Replace("", "x", nullptr)), 1, "abc"},
  };
  for (const auto& c : cases) {
    Text s = NewText(c.before);
    EXPECT_EQ(c.edit(s.get()), c.result) << c.before << " -> " << c.after;
    EXPECT_EQ(Bytes(s.get()), c.after);
  }
  Text s = NewText("x, y, z");
  int32_t count = -1;
  ASSERT_EQ(s->Replace(", ", nullptr, &count), 0);
  EXPECT_EQ(Bytes(s.get()) + std::to_string(count), "xyz2");
}

int32_t Sign(int32_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(CvoString, CompareAndFindTables) {
  struct { const char *content, *text; int32_t sign, sign_no_case; } const compares[] = {
      {"abc", "ab", 1, 1}, {"ab", "abc", -1, -1}, {"ABC", "abc", -1, 0}, {"a", nullptr, 1, 1},
      {"\xC3\xA9", "z", 1, 1}};  // bytes unsigned
  for (const auto& c : compares) {
    Text s = NewText(c.content);
    int32_t result = 99, no_case = 99;
    ASSERT_EQ(Codes({s->Compare(c.text, &result), s->CompareNoCase(c.text, &no_case),
                     s->Compare(c.text, nullptr)}),
              "0,0,1");
    EXPECT_EQ(Sign(result), c.sign) << c.content;
    EXPECT_EQ(Sign(no_case), c.sign_no_case) << c.content;
  }

  Text s = NewText("abcabc");
  for (const auto& [start, expected] : {std::pair{0, 1}, {2, 4}, {5, -1}, {-4, 1}, {99, -1}}) {
    int32_t position = 99;
    ASSERT_EQ(s->Find("bc", start, &position), 0);
    EXPECT_EQ(position, expected) << start;
  }
  int32_t position = 0;
  EXPECT_EQ(s->Find(nullptr, 0, &position) + s->Find("a", 0, nullptr), 2);
}

TEST(CvoString, CloneAndIsEqualKeepAllBytes) {
  Text s = NewText(std::string("a\0b", 3)), other = NewText(std::string("a\0c", 3));
  ICvoString* cloned = nullptr;
  ASSERT_EQ(s->Clone(&cloned), 0);
  ASSERT_NE(cloned, s.get());
  int32_t same = -1, different = -1;
  EXPECT_EQ(Codes({s->IsEqual(cloned, &same), s->IsEqual(other.get(), &different), same, different}),
            "0,0,1,0");
  s->SetText("changed");
  EXPECT_EQ(Bytes(cloned), std::string("a\0b", 3));  // the clone kept its bytes
  cloned->Release();
  EXPECT_EQ(Codes({s->Clone(nullptr), s->IsEqual(nullptr, &same), s->IsEqual(other.get(), nullptr)}),
            "1,1,1");
}

}  // namespace
