#include "summary.h"

#include <gtest/gtest.h>

namespace quenloft_tool {
namespace {

TEST(ToolSummary, LineInTheSingularAndJsonEscapes) {
  BuildSummary s;
  s.output = "/out/";
  s.files_copied = 1;
  s.files_patched = 2;
  s.unresolved_macros = 1;
  s.milliseconds = 3.25;
  EXPECT_EQ(FormatSummaryLine(s),
            "1 file copied, 2 patched, 1 unresolved macro, 0 failures in 3.2 ms -> /out/");

  const std::pair<std::string, std::string> cases[] = {
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"l1\r\nl2\t", "\"l1\\r\\nl2\\t\""},
      {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},  // UTF-8 passes through
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json);
}

}  // namespace
}  // namespace quenloft_tool
