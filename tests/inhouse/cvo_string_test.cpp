// CorvaskObjs' string object as an object: references, interfaces, copies
// and refused out-pointers (its edits are rows of
// tests/data/inhouse/cvo_string.txt).
#include <gtest/gtest.h>

#include <string>

#include "CorvaskObjs/CvoString.h"
#include "quenloft/string_object.h"
#include "support/texts.h"

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

}  // namespace
