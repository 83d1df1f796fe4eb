#include "settings.h"

#include <gtest/gtest.h>

namespace quenloft_tool {
namespace {

TEST(ToolSettings, ParseAssignment) {
  struct Case {
    const char* text;
    bool ok;
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {"Title=Help", true, "Title", "Help"},
      {" Title =a=b", true, "Title", "a=b"},  // first "=" splits; the value is kept as written
      {"Empty=", true, "Empty", ""},
      {"Title", false, "", ""},
      {"=value", false, "", ""},
      {"  =value", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto value = ParseAssignment(c.text);
    ASSERT_EQ(value.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(value->first, c.name);
    EXPECT_EQ(value->second, c.value);
  }
}

TEST(ToolSettings, SystemValueNameAddsThePrefixOnce) {
  EXPECT_EQ(SystemValueName("Title"), "System.Title");
  EXPECT_EQ(SystemValueName("System.Title"), "System.Title");
  EXPECT_EQ(SystemValueName("system.Title"), "System.system.Title");  // names keep their case
}

TEST(ToolSettings, ValueLines) {
  std::string error;
  const auto values = ParseValueLines(
      "# comment\n\nTitle=A b\r\n  # indented comment\nEdition=2\n", "v.txt", false, &error);
  ASSERT_TRUE(values.has_value()) << error;
  EXPECT_EQ(*values, (std::vector<NamedValue>{{"Title", "A b"}, {"Edition", "2"}}));

  const auto tabbed = ParseValueLines("a\tx=y\nb=c\td\n", "vars", true, &error);
  ASSERT_TRUE(tabbed.has_value()) << error;
  // "=" wins when a line has both; a tab-only line splits at the tab.
  EXPECT_EQ(*tabbed, (std::vector<NamedValue>{{"a\tx", "y"}, {"b", "c\td"}}));

  const auto only_tab = ParseValueLines("name\tvalue with = later\n", "vars", true, &error);
  ASSERT_TRUE(only_tab.has_value());
  EXPECT_EQ((*only_tab)[0].first, "name\tvalue with");

  struct Bad {
    const char* content;
    bool allow_tab;
    const char* error;
  };
  const Bad bad[] = {
      {"ok=1\nbroken\n", false, "f:2: expected NAME=VALUE, got \"broken\""},
      {"a\tb\n", false, "f:1: expected NAME=VALUE, got \"a\tb\""},
      {"\tvalue\n", true, "f:1: expected NAME=VALUE or NAME<TAB>VALUE, got \"\tvalue\""},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.content);
    EXPECT_FALSE(ParseValueLines(b.content, "f", b.allow_tab, &error).has_value());
    EXPECT_EQ(error, b.error);
  }
}

TEST(ToolSettings, UnreadableFileIsAnError) {
  std::string error;
  EXPECT_FALSE(ReadValueFile("/nonexistent/values", false, &error).has_value());
  EXPECT_EQ(error, "cannot read /nonexistent/values");
}

}  // namespace
}  // namespace quenloft_tool
