// The rules behind the functions, on their own: truth texts, atoi-style
// integers and the comparison operators, with the rows a template cannot
// spell or that would need a template each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/function_rules.h"


namespace quenloft {
namespace {

TEST(IsTrueText, Table) {
  struct Case {
    std::string text;
    bool expected;
  };
  const Case cases[] = {
      {"TRUE", true},   {" Yes ", true},     {"\t1\r\n", true}, {"\v\ftrue ", true},
      {"   ", false},   {"on", false},       {"11", false},      {"true!", false},
      {"t rue", false}, {"falsetrue", false}, {"+1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsTrueText(c.text), c.expected) << '"' << c.text << '"';
  // A zero byte inside the view is an ordinary byte.
  EXPECT_FALSE(IsTrueText(std::string_view("1\0", 2)));
}

TEST(ParseLeadingInteger, ReadsLikeAtoi) {
  struct Case {
    std::string text;
    int32_t expected;
  };
  const Case cases[] = {
      {"007", 7},         {"  \t\n12", 12}, {"+5", 5},     {"-17", -17},
      {"3.9", 3},         {"", 0},          {"-", 0},      {"+-3", 0},
      {"- 3", 0},         {"2147483647", 2147483647},       {"-2147483648", INT32_MIN},
      {"99999999999999999999", INT32_MAX},  {"-99999999999999999999", INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLeadingInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST(CompareValues, OperatorTable) {
  struct Case {
    const char* op;
    const char* a;
    const char* b;
    bool as_text;
    bool as_number;
  };
  const Case cases[] = {
      {"<", "2", "10", false, true},
      {"<=", "5", "5", true, true},
      {">=", "5", "5", true, true},
      {">", "b", "a", true, false},  // both read as 0
      {"==", "7", "07", false, true},
      {"!=", "7", "07", true, false},
      {"<", "abc", "abd", true, false},
      {"<", "ab", "abc", true, false},
      {">", "\xC3\xA9", "z", true, false},  // bytes compare unsigned
      {"substr", "template", "pl", true, false},
      {"substr", "x", "", true, false},
      {"substr", "pl", "template", false, false},
      {"compnocase", "ABC", "abc", true, false},
      {"compnocase", "\xC3\x89", "\xC3\xA9", false, false},  // ASCII letters only
      {"like", "1", "1", false, false},
      {"", "1", "1", false, false},
      {" <", "1", "2", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareValues(c.op, c.a, c.b, Comparison::kText), c.as_text)
        << c.a << ' ' << c.op << ' ' << c.b << " as text";
    EXPECT_EQ(CompareValues(c.op, c.a, c.b, Comparison::kNumber), c.as_number)
        << c.a << ' ' << c.op << ' ' << c.b << " as numbers";
  }
}

}  // namespace
}  // namespace quenloft
