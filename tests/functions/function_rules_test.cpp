// The rules behind the functions, on their own: truth texts, atoi-style
// integers, the comparison operators, replacement, and the function table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/comparison.h"
#include "functions/function.h"
#include "functions/function_table.h"

namespace quenloft {
namespace {

TEST(IsTrueText, Table) {
  struct Case {
    std::string text;
    bool expected;
  };
  const Case cases[] = {
      {"true", true},     {"TRUE", true},      {" Yes ", true},      {"\t1\r\n", true},
      {"yEs", true},      {"\v\ftrue ", true}, {"", false},          {"   ", false},
      {"on", false},      {"0", false},        {"11", false},        {"true!", false},
      {"t rue", false},   {"falsetrue", false}, {"y", false},
      {"1.0", false},     {"+1", false},
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
      {"0", 0},
      {"42", 42},
      {"007", 7},
      {"  \t\n12", 12},
      {"+5", 5},
      {"-17", -17},
      {"12abc", 12},
      {"3.9", 3},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"+-3", 0},
      {"- 3", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"99999999999999999999", INT32_MAX},
      {"-99999999999999999999", INT32_MIN},
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
      {"==", "abc", "abc", true, true},
      {"<", "abc", "abd", true, false},
      {"<", "ab", "abc", true, false},
      {">", "\xC3\xA9", "z", true, false},  // bytes compare unsigned
      {"substr", "template", "pl", true, false},
      {"substr", "x", "", true, false},
      {"substr", "pl", "template", false, false},
      {"compnocase", "ABC", "abc", true, false},
      {"compnocase", "ABC", "abd", false, false},
      {"compnocase", "\xC3\x89", "\xC3\xA9", false, false},  // ASCII letters only
      {"like", "1", "1", false, false},
      {"=", "1", "1", false, false},
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

TEST(ReplaceAll, Table) {
  struct Case {
    std::string text, find, replacement, expected;
  };
  const Case cases[] = {
      {"aaa", "a", "b", "bbb"},
      {"abc", "", "x", "abc"},
      {"aaaa", "aa", "a", "aa"},        // not overlapping, left to right
      {"aaa", "aa", "x", "xa"},
      {"abcabc", "bc", "", "aa"},
      {"abc", "abc", "", ""},
      {"ABC", "b", "x", "ABC"},         // with case
      {"a.b", ".", "..", "a..b"},       // a replacement is not searched again
      {"", "a", "b", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.find, c.replacement), c.expected)
        << c.text << " / " << c.find << " / " << c.replacement;
  }
}

TEST(FunctionTable, NamesInOrder) {
  const std::vector<std::string> expected = {
      "AssignString", "CompareNumber", "CompareString", "Concat",     "FileName",
      "IsEmpty",      "IsTrue",        "LoadFromFile",  "MacroExist", "MoveFile",
      "Output",       "Replace",       "ReplaceMacroExpr", "ReplaceMacros", "SaveToFile",
      "Transform",    "HtmlToText",    "TextToHtml",    "NameToColor", "ColorToName"};
  std::vector<std::string> names;
  for (const FunctionEntry& entry : FunctionTable()) names.emplace_back(entry.name);
  EXPECT_EQ(names, expected);
}

TEST(FunctionTable, AcceptedCounts) {
  struct Case {
    const char* name;
    std::vector<size_t> accepted;
    std::vector<size_t> refused;
  };
  const Case cases[] = {
      {"AssignString", {2, 3}, {0, 1, 4}},
      {"CompareNumber", {3}, {0, 2, 4}},
      {"Concat", {0, 1, 7}, {}},
      {"FileName", {1, 2}, {0, 3}},
      {"IsEmpty", {1}, {0, 2}},
      {"MacroExist", {1, 5}, {0}},
      {"Output", {0, 3}, {}},
      {"Replace", {3, 5, 9}, {0, 1, 2, 4, 6}},
      {"Transform", {2}, {1, 3}},
      {"ColorToName", {0, 1, 2}, {}},
  };
  for (const Case& c : cases) {
    const FunctionEntry* entry = nullptr;
    for (const FunctionEntry& candidate : FunctionTable()) {
      if (candidate.name == c.name) entry = &candidate;
    }
    ASSERT_NE(entry, nullptr) << c.name;
    for (size_t n : c.accepted) EXPECT_TRUE(entry->counts.Accepts(n)) << c.name << ' ' << n;
    for (size_t n : c.refused) EXPECT_FALSE(entry->counts.Accepts(n)) << c.name << ' ' << n;
  }
}

}  // namespace
}  // namespace quenloft
