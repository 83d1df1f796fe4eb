// The rules behind the functions, with the rows a template cannot spell or
// that would need a template each: white space, zero bytes, saturation,
// byte order.
#include "functions/function_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace quenloft {
namespace {

TEST(FunctionRules, TruthTexts) {
  const std::pair<std::string, bool> cases[] = {
      {"TRUE", true},   {" Yes ", true},      {"\t1\r\n", true}, {"\v\ftrue ", true},
      {"   ", false},   {"on", false},        {"11", false},     {"true!", false},
      {"t rue", false}, {"falsetrue", false}, {"+1", false},     {std::string("1\0", 2), false},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(IsTrueText(text), expected) << text;
}

TEST(FunctionRules, IntegersReadLikeAtoi) {
  const std::pair<std::string, int32_t> cases[] = {
      {"007", 7},  {"  \t\n12", 12}, {"+5", 5},   {"-17", -17},      {"3.9", 3},
      {"", 0},     {"-", 0},         {"+-3", 0},  {"- 3", 0},        {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},    {"99999999999999999999", INT32_MAX},
      {"-99999999999999999999", INT32_MIN},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseLeadingInteger(text), expected) << text;
}

TEST(FunctionRules, Comparisons) {
  const struct {
    const char *op, *a, *b;
    bool as_text, as_number;
  } cases[] = {
      {"<=", "5", "5", true, true},         {">=", "5", "5", true, true},
      {">", "b", "a", true, false},  // both read as 0
      {"!=", "7", "07", true, false},       {"<", "ab", "abc", true, false},
      {">", "\xC3\xA9", "z", true, false},  // bytes compare unsigned
      {"substr", "x", "", true, false},     {"substr", "pl", "template", false, false},
      {"compnocase", "\xC3\x89", "\xC3\xA9", false, false},  // ASCII letters only
      {"like", "1", "1", false, false},     {"", "1", "1", false, false},
      {" <", "1", "2", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareValues(c.op, c.a, c.b, Comparison::kText), c.as_text)
        << c.a << ' ' << c.op << ' ' << c.b << " as text";
    EXPECT_EQ(CompareValues(c.op, c.a, c.b, Comparison::kNumber), c.as_number)
        << c.a << ' ' << c.op << ' ' << c.b << " as numbers";
  }
}

}  // namespace
}  // namespace quenloft
