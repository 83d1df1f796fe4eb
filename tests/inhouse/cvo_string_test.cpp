#include <gtest/gtest.h>

#include <string>

#include "CorvaskObjs/CvoString.h"
#include "support/codes.h"

namespace {

constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057u);
constexpr int32_t kNotImpl = static_cast<int32_t>(0x80004001u);

// Owns one reference for the test.
struct StringRef {
  ICvoString* p = nullptr;
  explicit StringRef(const std::string& bytes = {}) {
    CreateCvoStringInstance(&p);
    p->SetBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  ~StringRef() {
    if (p != nullptr) p->Release();
  }
  StringRef(const StringRef&) = delete;
  StringRef& operator=(const StringRef&) = delete;
  ICvoString* operator->() const { return p; }
  std::string Bytes() const {
    const char* bytes = nullptr;
    int32_t length = -1;
    EXPECT_EQ(p->GetBytes(&bytes, &length), 0);
    return std::string(bytes, static_cast<size_t>(length));
  }
};

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
  EXPECT_EQ(quenloft::testing::Codes({s->Release(), s->Release()}), "1,0");
}

TEST(CvoString, EditsTable) {
  struct {
    const char* label;
    std::string before;
    int32_t (*edit)(ICvoString*);
    int32_t result;
    std::string after;
  } const cases[] = {
      {"SetTextNullClears", "old", [](ICvoString* s) { return s->SetText(nullptr); }, 0, ""},
      {"AppendNull", "ab", [](ICvoString* s) { return s->AppendText(nullptr); }, 0, "ab"},
      {"SetBytesKeepsZero", "", [](ICvoString* s) { return s->SetBytes("a\0b", 3); }, 0,
       std::string("a\0b", 3)},
      {"SetBytesNegative", "x", [](ICvoString* s) { return s->SetBytes("a", -1); }, 1, "x"},
      {"SetBytesNullWithLength", "x", [](ICvoString* s) { return s->SetBytes(nullptr, 2); }, 1,
       "x"},
      {"AppendBytes", "a", [](ICvoString* s) { return s->AppendBytes("\0c", 2); }, 0,
       std::string("a\0c", 3)},
      {"MakeLowerAsciiOnly", "AbC\xC3\x89", [](ICvoString* s) { return s->MakeLower(); }, 0,
       "abc\xC3\x89"},
      {"TrimAllSpace", " \t\r\n ", [](ICvoString* s) { return s->Trim(); }, 0, ""},
      {"LeftNegative", "abc", [](ICvoString* s) { return s->Left(-1); }, 0, ""},
      {"MidToEnd", "abcdef", [](ICvoString* s) { return s->Mid(4, -1); }, 0, "ef"},
      {"MidCountPastEnd", "abcdef", [](ICvoString* s) { return s->Mid(4, 10); }, 0, "ef"},
      {"MidStartPastEnd", "abc", [](ICvoString* s) { return s->Mid(5, 1); }, 0, ""},
      {"ReplaceGrowing", "a-b-c", [](ICvoString* s) { return s->Replace("-", "+-", nullptr); }, 0,
       "a+-b+-c"},
      {"ReplaceNonOverlapping", "aaaa", [](ICvoString* s) { return s->Replace("aa", "b", nullptr); },
       0, "bb"},
      {"ReplaceEmptyFind", "abc", [](ICvoString* s) { return s->Replace("", "x", nullptr); }, 1,
       "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    StringRef s(c.before);
    EXPECT_EQ(c.edit(s.p), c.result);
    EXPECT_EQ(s.Bytes(), c.after);
    EXPECT_EQ(s->GetLength(), static_cast<int32_t>(c.after.size()));
    const char* text = nullptr;
    ASSERT_EQ(s->GetText(&text), 0);
    EXPECT_EQ(text[c.after.size()], '\0');
  }
  StringRef s("x, y, z");
  int32_t count = -1;
  ASSERT_EQ(s->Replace(", ", nullptr, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.Bytes(), "xyz");
}

int32_t Sign(int32_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(CvoString, CompareAndFindTables) {
  struct {
    std::string content;
    const char* text;
    int32_t sign;
    int32_t sign_no_case;
  } const compares[] = {
      {"abc", "ab", 1, 1},   {"ab", "abc", -1, -1}, {"ABC", "abc", -1, 0},
      {"a", nullptr, 1, 1},  {"\xC3\xA9", "z", 1, 1},  // bytes unsigned
  };
  for (const auto& c : compares) {
    StringRef s(c.content);
    int32_t result = 99;
    ASSERT_EQ(s->Compare(c.text, &result), 0);
    EXPECT_EQ(Sign(result), c.sign) << c.content;
    ASSERT_EQ(s->CompareNoCase(c.text, &result), 0);
    EXPECT_EQ(Sign(result), c.sign_no_case) << c.content;
    EXPECT_EQ(s->Compare(c.text, nullptr), 1);
  }

  struct {
    int32_t start;
    int32_t position;
  } const finds[] = {{0, 1}, {2, 4}, {5, -1}, {-4, 1}, {99, -1}};
  StringRef s("abcabc");
  for (const auto& c : finds) {
    int32_t position = 99;
    ASSERT_EQ(s->Find("bc", c.start, &position), 0);
    EXPECT_EQ(position, c.position) << c.start;
  }
  int32_t position = 0;
  EXPECT_EQ(s->Find(nullptr, 0, &position), 1);
  EXPECT_EQ(s->Find("a", 0, nullptr), 1);
}

TEST(CvoString, CloneAndIsEqualKeepAllBytes) {
  const std::string bytes("a\0b", 3);
  StringRef s(bytes), other(std::string("a\0c", 3));
  ICvoString* cloned = nullptr;
  ASSERT_EQ(s->Clone(&cloned), 0);
  ASSERT_NE(cloned, s.p);
  // "result:equal" of a comparison.
  const auto equal = [](ICvoString* a, ICvoString* b) {
    int32_t is_equal = -1;
    const int32_t result = a->IsEqual(b, &is_equal);
    return std::to_string(result) + ":" + std::to_string(is_equal);
  };
  EXPECT_EQ(equal(s.p, cloned), "0:1");
  EXPECT_EQ(equal(s.p, other.p), "0:0");
  s->SetText("changed");
  EXPECT_EQ(equal(cloned, other.p), "0:0");
  EXPECT_EQ(equal(StringRef(bytes).p, cloned), "0:1");  // the clone kept its bytes
  cloned->Release();
  int32_t is_equal = 0;
  EXPECT_EQ(quenloft::testing::Codes({s->Clone(nullptr), s->IsEqual(nullptr, &is_equal),
                                      s->IsEqual(other.p, nullptr)}),
            "1,1,1");
}

}  // namespace
