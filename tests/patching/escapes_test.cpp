#include "patching/escapes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quenloft {
namespace {

struct EscapeCase {
  const char* in;
  const char* out;
};

// Outside quotes a pair becomes its second byte; inside, it stays.
constexpr EscapeCase kCases[] = {
    {"", ""},
    {"x", "x"},
    {"\\", "\\"},          // a lone backslash at the end is copied
    {"'", "'"},            // one byte stays that byte
    {"50\\%", "50%"},
    {"a\\\\b", "a\\b"},
    {"\\'x", "'x"},        // the escaped quote opens no quote ...
    {"\\'x\\%", "'x%"},    // ... so later pairs are still removed
    {"\\\"", "\""},
    {"'a\\'b'", "'a\\'b'"},  // inside quotes the pair stays and does not close
    {"\"a\\\"b\"", "\"a\\\"b\""},
    {"'a\\%b' \\% 'c'", "'a\\%b' % 'c'"},
    {"\"it's\" \\'", "\"it's\" '"},  // the other quote byte is ordinary inside
    {"\\q", "\\q"},        // q is not escapable
    {"\\\\\\%", "\\%"},    // pairs are consumed whole, left to right
    {"'ab", "'ab"},        // an unclosed quote copies the rest
    {"'ab\\%", "'ab\\%"},
    {"a\\", "a\\"},
};

TEST(RemoveEscapes, Table) {
  for (const EscapeCase& c : kCases) {
    EXPECT_EQ(RemoveEscapes(std::string_view(c.in)), c.out) << "input: " << c.in;
    EXPECT_EQ(RemoveEscapes(c.in), c.out) << "input: " << c.in;
  }
}

TEST(RemoveEscapes, RangeFormIncludesBothBounds) {
  const char* text = "[a\\%b]";
  EXPECT_EQ(RemoveEscapes(text + 1, text + 4), "a%b");
  EXPECT_EQ(RemoveEscapes(text + 1, text + 1), "a");
  EXPECT_EQ(RemoveEscapes(text + 2, text + 1), "");
  EXPECT_EQ(RemoveEscapes(nullptr, text), "");
  EXPECT_EQ(RemoveEscapes(text, nullptr), "");
  EXPECT_EQ(RemoveEscapes(static_cast<const char*>(nullptr)), "");
}

TEST(RemoveEscapes, PairAtRangeEndIsNotReadPastTheRange) {
  // The byte after the range is escapable, but lies outside it.
  const char* text = "ab\\%";
  EXPECT_EQ(RemoveEscapes(text, text + 2), "ab\\");
}

}  // namespace
}  // namespace quenloft
