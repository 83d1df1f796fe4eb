#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "CorvaskObjs/CvoString.h"

namespace {

constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057u);
constexpr int32_t kNotImpl = static_cast<int32_t>(0x80004001u);

// Owns one reference for the test.
struct StringRef {
  ICvoString* p = nullptr;
  StringRef() { CreateCvoStringInstance(&p); }
  explicit StringRef(ICvoString* adopted) : p(adopted) {}
  explicit StringRef(const std::string& bytes) : StringRef() {
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

TEST(CvoString, FactoryHandsOutOneReference) {
  EXPECT_EQ(CreateCvoStringInstance(nullptr), 1);
  ICvoString* s = nullptr;
  ASSERT_EQ(CreateCvoStringInstance(&s), 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetLength(), 0);
  const char* text = nullptr;
  ASSERT_EQ(s->GetText(&text), 0);
  EXPECT_STREQ(text, "");  // never null, even before any content
  EXPECT_EQ(s->GetText(nullptr), 1);
  EXPECT_EQ(s->AddRef(), 2);
  EXPECT_EQ(s->Release(), 1);
  EXPECT_EQ(s->Release(), 0);  // destroyed; ASan reports a leak otherwise
}

TEST(CvoString, QueryInterfaceAnswersItsOwnIdOnly) {
  StringRef s;
  void* out = nullptr;
  ASSERT_EQ(s->QueryInterface(IID_ICvoString, &out), 0);
  EXPECT_EQ(out, static_cast<void*>(s.p));
  EXPECT_EQ(s->Release(), 1);  // the reference the query took

  CvoIID other = IID_ICvoString;
  other.Data4[7] ^= 1;
  out = &other;
  EXPECT_EQ(s->QueryInterface(other, &out), kNotImpl);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(s->QueryInterface(IID_ICvoString, nullptr), kInvalidArg);
  EXPECT_EQ(s->AddRef(), 2);  // the failed queries took nothing
  s->Release();
}

struct EditCase {
  const char* label;
  std::string before;
  std::function<int32_t(ICvoString*)> edit;
  int32_t result;
  std::string after;
};

class CvoStringEdit : public testing::TestWithParam<EditCase> {};

TEST_P(CvoStringEdit, ChangesContent) {
  const EditCase& c = GetParam();
  StringRef s(c.before);
  EXPECT_EQ(c.edit(s.p), c.result);
  EXPECT_EQ(s.Bytes(), c.after);
  EXPECT_EQ(s->GetLength(), static_cast<int32_t>(c.after.size()));
  const char* text = nullptr;
  ASSERT_EQ(s->GetText(&text), 0);
  EXPECT_EQ(text[c.after.size()], '\0');
}

const EditCase kEdits[] = {
    {"SetText", "old", [](ICvoString* s) { return s->SetText("new"); }, 0, "new"},
    {"SetTextNullClears", "old", [](ICvoString* s) { return s->SetText(nullptr); }, 0, ""},
    {"SetTextEmptyClears", "old", [](ICvoString* s) { return s->SetText(""); }, 0, ""},
    {"AppendText", "ab", [](ICvoString* s) { return s->AppendText("cd"); }, 0, "abcd"},
    {"AppendNull", "ab", [](ICvoString* s) { return s->AppendText(nullptr); }, 0, "ab"},
    {"EmptyClears", "ab", [](ICvoString* s) { return s->Empty(); }, 0, ""},
    {"SetBytesKeepsZero", "", [](ICvoString* s) { return s->SetBytes("a\0b", 3); }, 0,
     std::string("a\0b", 3)},
    {"SetBytesNegative", "x", [](ICvoString* s) { return s->SetBytes("a", -1); }, 1, "x"},
    {"SetBytesNullWithLength", "x", [](ICvoString* s) { return s->SetBytes(nullptr, 2); }, 1,
     "x"},
    {"SetBytesNullEmpty", "x", [](ICvoString* s) { return s->SetBytes(nullptr, 0); }, 0, ""},
    {"AppendBytes", "a", [](ICvoString* s) { return s->AppendBytes("\0c", 2); }, 0,
     std::string("a\0c", 3)},
    {"AppendBytesNegative", "a", [](ICvoString* s) { return s->AppendBytes("b", -3); }, 1, "a"},
    {"MakeLowerAsciiOnly", "AbC\xC3\x89", [](ICvoString* s) { return s->MakeLower(); }, 0,
     "abc\xC3\x89"},
    {"MakeUpper", "aBc1", [](ICvoString* s) { return s->MakeUpper(); }, 0, "ABC1"},
    {"Trim", " \t a b \r\n", [](ICvoString* s) { return s->Trim(); }, 0, "a b"},
    {"TrimAllSpace", "   ", [](ICvoString* s) { return s->Trim(); }, 0, ""},
    {"Left", "abcdef", [](ICvoString* s) { return s->Left(2); }, 0, "ab"},
    {"LeftPastEnd", "abc", [](ICvoString* s) { return s->Left(10); }, 0, "abc"},
    {"LeftNegative", "abc", [](ICvoString* s) { return s->Left(-1); }, 0, ""},
    {"Mid", "abcdef", [](ICvoString* s) { return s->Mid(1, 3); }, 0, "bcd"},
    {"MidToEnd", "abcdef", [](ICvoString* s) { return s->Mid(4, -1); }, 0, "ef"},
    {"MidCountPastEnd", "abcdef", [](ICvoString* s) { return s->Mid(4, 10); }, 0, "ef"},
    {"MidStartPastEnd", "abc", [](ICvoString* s) { return s->Mid(5, 1); }, 0, ""},
    {"ReplaceEvery", "a-b-c", [](ICvoString* s) { return s->Replace("-", "+-", nullptr); }, 0,
     "a+-b+-c"},
    {"ReplaceNonOverlapping", "aaaa", [](ICvoString* s) { return s->Replace("aa", "b", nullptr); },
     0, "bb"},
    {"ReplaceWithNothing", "a.b.", [](ICvoString* s) { return s->Replace(".", nullptr, nullptr); },
     0, "ab"},
    {"ReplaceEmptyFind", "abc", [](ICvoString* s) { return s->Replace("", "x", nullptr); }, 1,
     "abc"},
};

INSTANTIATE_TEST_SUITE_P(Table, CvoStringEdit, testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CvoString, ReplaceCountsReplacements) {
  StringRef s("x, y, z");
  int32_t count = -1;
  ASSERT_EQ(s->Replace(", ", ";", &count), 0);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(s->Replace("q", ";", &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(s.Bytes(), "x;y;z");
}

struct CompareCase {
  std::string content;
  const char* text;
  int32_t sign;
  int32_t sign_no_case;
};

int32_t Sign(int32_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(CvoString, CompareTable) {
  const CompareCase cases[] = {
      {"abc", "abc", 0, 0},  {"abc", "abd", -1, -1}, {"abc", "ab", 1, 1},
      {"ab", "abc", -1, -1}, {"ABC", "abc", -1, 0},  {"", "", 0, 0},
      {"", "a", -1, -1},     {"a", nullptr, 1, 1},   {"\xC3\xA9", "z", 1, 1},  // bytes unsigned
  };
  for (const CompareCase& c : cases) {
    StringRef s(c.content);
    int32_t result = 99;
    ASSERT_EQ(s->Compare(c.text, &result), 0);
    EXPECT_EQ(Sign(result), c.sign) << c.content;
    ASSERT_EQ(s->CompareNoCase(c.text, &result), 0);
    EXPECT_EQ(Sign(result), c.sign_no_case) << c.content;
    EXPECT_EQ(s->Compare(c.text, nullptr), 1);
    EXPECT_EQ(s->CompareNoCase(c.text, nullptr), 1);
  }
}

TEST(CvoString, FindTable) {
  struct {
    const char* content;
    const char* text;
    int32_t start;
    int32_t position;
  } const cases[] = {
      {"abcabc", "bc", 0, 1}, {"abcabc", "bc", 2, 4}, {"abcabc", "bc", 5, -1},
      {"abc", "x", 0, -1},    {"abc", "a", -4, 0},    {"abc", "c", 99, -1},
  };
  for (const auto& c : cases) {
    StringRef s(c.content);
    int32_t position = 99;
    ASSERT_EQ(s->Find(c.text, c.start, &position), 0);
    EXPECT_EQ(position, c.position) << c.content << " " << c.text << " " << c.start;
  }
  StringRef s("abc");
  int32_t position = 0;
  EXPECT_EQ(s->Find(nullptr, 0, &position), 1);
  EXPECT_EQ(s->Find("a", 0, nullptr), 1);
}

TEST(CvoString, CloneIsIndependent) {
  StringRef s(std::string("a\0b", 3));
  ICvoString* cloned = nullptr;
  ASSERT_EQ(s->Clone(&cloned), 0);
  StringRef copy(cloned);
  ASSERT_NE(copy.p, s.p);
  EXPECT_EQ(copy.Bytes(), std::string("a\0b", 3));
  s->SetText("changed");
  EXPECT_EQ(copy.Bytes(), std::string("a\0b", 3));
  EXPECT_EQ(s->Clone(nullptr), 1);
}

TEST(CvoString, IsEqualComparesAllBytes) {
  StringRef a(std::string("a\0b", 3));
  StringRef b(std::string("a\0c", 3));
  StringRef c(std::string("a\0b", 3));
  int32_t equal = -1;
  ASSERT_EQ(a->IsEqual(b.p, &equal), 0);
  EXPECT_EQ(equal, 0);
  ASSERT_EQ(a->IsEqual(c.p, &equal), 0);
  EXPECT_EQ(equal, 1);
  ASSERT_EQ(a->IsEqual(a.p, &equal), 0);
  EXPECT_EQ(equal, 1);
  EXPECT_EQ(a->IsEqual(nullptr, &equal), 1);
  EXPECT_EQ(a->IsEqual(b.p, nullptr), 1);
}

}  // namespace
