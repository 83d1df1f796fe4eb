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
      {" Title =a=b", true, "Title", "a=b"},  // first "=" splits; the value is kept as written
      {"Empty=", true, "Empty", ""},
      {"  =value", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto value = ParseAssignment(c.text);
    EXPECT_EQ(value, c.ok ? std::optional<NamedValue>(NamedValue(c.name, c.value)) : std::nullopt);
  }
  EXPECT_EQ(SystemValueName("system.Title"), "System.system.Title");  // names keep their case
}

TEST(ToolSettings, ValueLines) {
  std::string error;
  const auto values =
      ParseValueLines("\nTitle=A b\r\n  # indented comment\na\tx=y\nb=c\td\n", "v", true, &error);
  ASSERT_TRUE(values.has_value()) << error;
  // "=" wins when a line has both.
  EXPECT_EQ(*values, (std::vector<NamedValue>{{"Title", "A b"}, {"a\tx", "y"}, {"b", "c\td"}}));

  const std::pair<bool, const char*> bad[] = {
      {false, "f:1: expected NAME=VALUE, got \"\tvalue\""},
      {true, "f:1: expected NAME=VALUE or NAME<TAB>VALUE, got \"\tvalue\""},
  };
  for (const auto& [allow_tab, message] : bad) {
    EXPECT_FALSE(ParseValueLines("\tvalue\n", "f", allow_tab, &error).has_value());
    EXPECT_EQ(error, message);
  }
}

}  // namespace
}  // namespace quenloft_tool
